// The wizard driven through its widgets: a whole recovery of the sample disk, the questions on
// closing, the step caption, the remaining time, the options, the full scan of a reformatted
// volume, document previews, the formatted-volume pane's choices, and a picture of every pane
// and dialog.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include "app/dialog_about.h"
#include "app/dialog_big_file_list.h"
#include "app/dialog_export_file.h"
#include "app/dialog_file_exist_prompt.h"
#include "app/dialog_find_file.h"
#include "app/dialog_option.h"
#include "app/dialog_preview.h"
#include "app/dialog_quick_scan.h"
#include "app/dialog_range_setup.h"
#include "app/dialog_reopen_disk.h"
#include "app/gui_export_prompt.h"
#include "app/gui_reconnect_prompt.h"
#include "app/main_window.h"
#include "app/pane_browse.h"
#include "app/pane_delete.h"
#include "app/pane_export.h"
#include "app/pane_format.h"
#include "app/pane_mode_select.h"
#include "app/pane_partition.h"
#include "app/pane_raw.h"
#include "app/pane_scan_status.h"
#include "app/ui_text.h"
#include "image_scan.h"
#include "manifest.h"
#include "md5.h"
#include "modes/all_scanners.h"
#include "modes/scan_plan.h"
#include "node_find.h"
#include "scan/node_expansion.h"
#include "scan/volume_scanner.h"
#include "test_support.h"

namespace tundrel::app {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kSampleNtfsStart = 73728;

// Acts on each modal window that comes up while it lives: message boxes, dialogs, file choosers.
class ModalResponder {
public:
    explicit ModalResponder(std::function<void(QWidget&)> act) : act_(std::move(act)) {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            // A box made where the one before stood has its address: mark each one answered.
            if (modal == nullptr || modal->property("answered").toBool()) return;
            modal->setProperty("answered", true);
            act_(*modal);
        });
        timer_.start();
    }

private:
    std::function<void(QWidget&)> act_;
    QTimer timer_;
};

// Answers every message box with `answer` and keeps the texts asked.
std::function<void(QWidget&)> AnswerBoxes(QMessageBox::StandardButton answer, QStringList& asked) {
    return [answer, &asked](QWidget& modal) {
        if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
            asked << box->text();
            // A box that only tells has its one button.
            QAbstractButton* button = box->button(answer);
            (button != nullptr ? button : box->buttons().front())->click();
        }
    };
}

// Answers a file chooser with the file, typed into its name field (selectFile leaves the field
// alone while it has the focus). The chooser's own accept() would wait for the folder's
// listing, which a loaded machine may not have ready yet, and leave the chooser open.
void ChooseInFileDialog(QFileDialog& dialog, const fs::path& file) {
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name != nullptr);
    name->setText(QString::fromStdString(file.string()));
    dialog.QDialog::accept();
}

QTreeWidgetItem* ChildNamed(QTreeWidgetItem& parent, const QString& text) {
    parent.setExpanded(true);
    for (int i = 0; i < parent.childCount(); ++i) {
        if (parent.child(i)->text(0) == text) return parent.child(i);
    }
    return nullptr;
}

// Scans one volume of the sample disk (or another image) into the window's session, as a
// finished run leaves it.
void ScanSampleVolume(CMainWindow& window, std::uint32_t volumeStart, const char* image = "sample-disk") {
    const ScanRequest request{test::TestImage(image).string(), kModeDeletedFiles, volumeStart};
    ScanSession& run = window.Session().BeginRun();
    run.Run(PlanScanTasks(request, AllFileSystems(), AllScanners()).tasks, nullptr);
}

using FileMatch = std::function<bool(VolumeScanner&, const ScanNode&)>;

// Whether a file that matches is found anywhere below the node, folders opened on the way.
bool TreeHolds(VolumeScanner& scanner, ScanNode& node, const FileMatch& match, int depth = 0) {
    if (!node.IsDirectory() && match(scanner, node)) return true;
    if (depth > 8 || !EnsureChildren(scanner, node)) return false;
    for (ScanNode& child : node.children) {
        if (TreeHolds(scanner, child, match, depth + 1)) return true;
    }
    return false;
}

// Whether any result tree of the window's last run holds a file that matches.
bool RunHolds(CMainWindow& window, const FileMatch& match) {
    for (VolumeScanner* scanner : window.Session().scan->Scanners()) {
        for (ScanNode& root : scanner->roots.roots) {
            if (TreeHolds(*scanner, root, match)) return true;
        }
    }
    return false;
}

FileMatch Named(const QString& name) {
    return [name](VolumeScanner&, const ScanNode& file) { return FromUtf16(file.name) == name; };
}

// Not blank: a picture of a pane holds many colours (text, frames, controls).
bool HasContent(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    }
    return colours.size() > 8;
}

QStringList WidgetTexts(const QWidget& root) {
    QStringList texts{root.windowTitle()};
    for (const QLabel* label : root.findChildren<QLabel*>()) texts << label->text();
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>()) texts << button->text();
    return texts;
}

// Saves a picture of the widget under the build folder, checked to show something and to hold
// its caption.
void SavePicture(QWidget& widget, const QString& name, const QString& caption) {
    const fs::path folder = qEnvironmentVariable("TUNDREL_SCREENSHOT_DIR", QStringLiteral("app-screenshots")).toStdString();
    fs::create_directories(folder);
    widget.show();
    QTest::qWait(50);  // the layout follows the texts set last
    const QImage picture = widget.grab().toImage();
    QVERIFY2(HasContent(picture), qPrintable(name));
    QVERIFY2(WidgetTexts(widget).join(u'\n').contains(caption), qPrintable(name));
    QVERIFY(picture.save(QString::fromStdString((folder / (name.toStdString() + ".png")).string())));
}

}  // namespace

class WizardTest : public QObject {
    Q_OBJECT
private slots:
    void WholeRecoveryOfTheSampleDisk();
    void CloseAsksByWhatIsAtStake();
    void StepCaptionFollowsNextAndBack();
    void StoppedPartitionSearchListsTheTablesPartitions();
    void RemainingTimeStaysEmptyBelowOnePercent();
    void OptionsOkStoresAndCancelLeaves();
    void OtherModesFindTheNtfsVolumesFiles();
    void PreviewFollowsTheChoiceOnceItSettles();
    void EngineQuestionsAreAnsweredOnTheGuiThread();
    void FullScanCarvesTheReformattedVolumesOldJpeg();
    void PreviewShowsDocumentsByKind();
    void FormattedPaneChoicesMakeTheirTasks();
    void SavedResultsOpenAgainWithoutAScan();
    void ScreenshotsOfEveryPaneAndDialog();
};

void WizardTest::WholeRecoveryOfTheSampleDisk() {
    const fs::path image = test::TestImage("sample-disk");
    QVERIFY(!image.empty());
    test::TempDir out;
    CMainWindow window;
    window.show();
    window.ModePane().Choose(RecoveryMode::DeletedFiles);
    window.NextButton().click();
    QCOMPARE(window.CurrentPane(), static_cast<WizardPane*>(&window.DeletePane()));

    {
        ModalResponder chooser([&](QWidget& modal) {
            auto* dialog = qobject_cast<QFileDialog*>(&modal);
            QVERIFY(dialog != nullptr);
            QVERIFY(dialog->nameFilters().join(u';').contains(QStringLiteral("*.img")));
            ChooseInFileDialog(*dialog, image);
        });
        window.ThirdButton().click();
    }
    QTreeWidget* sources = window.DeletePane().Picker().List();
    const auto rows = sources->findItems(QStringLiteral("@%1").arg(kSampleNtfsStart), Qt::MatchEndsWith);
    QCOMPARE(rows.size(), 1);
    sources->setCurrentItem(rows.front());
    window.NextButton().click();
    QCOMPARE(window.CurrentPane(), static_cast<WizardPane*>(&window.ScanStatusPane()));
    QTRY_VERIFY_WITH_TIMEOUT(window.ScanStatusPane().Ended(), 60000);
    QVERIFY(window.NextButton().isEnabled());
    window.NextButton().click();
    QCOMPARE(window.CurrentPane(), static_cast<WizardPane*>(&window.BrowsePane()));

    // Check the deleted folder "Projects" under the deleted files of the NTFS volume.
    QTreeWidget& folders = window.BrowsePane().FolderTree();
    QCOMPARE(folders.topLevelItemCount(), 1);
    const VolumeScanner& scanner = *window.Session().scan->Scanners().front();
    QTreeWidgetItem* deleted = ChildNamed(*folders.topLevelItem(0), FromUtf16(scanner.roots[RootIndex::Deleted].name));
    QVERIFY(deleted != nullptr);
    QTreeWidgetItem* projects = ChildNamed(*deleted, QStringLiteral("Projects"));
    QVERIFY(projects != nullptr);
    projects->setCheckState(0, Qt::Checked);
    QCOMPARE(deleted->checkState(0), Qt::PartiallyChecked);
    QCOMPARE(window.BrowsePane().SummaryText(),
             UiFormatted(StringId::SelectedCount, 2) + u' ' + UiFormatted(StringId::SelectedSize, "0.01"));

    QStringList asked;
    {
        // The source image lies on the destination's disk: the export asks, and is told yes.
        ModalResponder responder([&](QWidget& modal) {
            if (auto* destination = qobject_cast<CDialogExportFile*>(&modal)) {
                destination->FolderField().setText(QString::fromStdString((out / "recovered").string()));
                destination->accept();
                return;
            }
            AnswerBoxes(QMessageBox::Yes, asked)(modal);
        });
        window.ThirdButton().click();
        QCOMPARE(window.CurrentPane(), static_cast<WizardPane*>(&window.ExportPane()));
        QTRY_VERIFY_WITH_TIMEOUT(!window.ExportPane().Running(), 30000);
    }
    QVERIFY2(window.ExportPane().Outcome().filesWritten == 2u, qPrintable(asked.join(u'\n')));
    // Each file is logged as written; Linux keeps no creation time, which is said once.
    QTreeWidget& log = window.ExportPane().LogList();
    QCOMPARE(log.findItems(UiText(StringId::LogLevelWritten), Qt::MatchExactly).size(), 2);
    QCOMPARE(log.findItems(UiText(StringId::LogLevelCaution), Qt::MatchExactly).size(), 1);
    QCOMPARE(log.topLevelItemCount(), 3);
    SavePicture(window, QStringLiteral("pane-export"), UiText(StringId::ExportComplete).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    std::map<std::string, std::string> written;  // path below "Projects" -> MD5
    for (const auto& entry : fs::recursive_directory_iterator(out / "recovered")) {
        const std::string path = entry.path().generic_string();
        const std::size_t at = path.find("/Projects/");
        if (entry.is_regular_file() && at != std::string::npos) written[path.substr(at + 1)] = test::Md5Hex(test::FileBytes(entry.path()));
    }
    std::map<std::string, std::string> expected;
    for (const test::ManifestFile& file : test::LoadManifest("sample-disk", 5)) {
        if (file.deleted && !file.isDirectory && file.path.starts_with("Projects/")) expected[file.path] = file.md5;
    }
    QCOMPARE(expected.size(), std::size_t{2});
    QVERIFY2(written == expected, qPrintable(QStringLiteral("%1 files written").arg(written.size())));

    window.BackButton().click();
    QCOMPARE(window.CurrentPane(), static_cast<WizardPane*>(&window.BrowsePane()));
}

void WizardTest::CloseAsksByWhatIsAtStake() {
    struct Case {
        bool scanning;
        bool results;
        bool saved;
        StringId question;
    };
    const Case cases[] = {
        {true, true, false, StringId::AskExitWhileScanning},
        {false, true, false, StringId::AskExitUnsaved},
        {false, true, true, StringId::AskExit},
        {false, false, false, StringId::AskExit},
    };
    for (const Case& c : cases) {
        CMainWindow window;
        window.show();
        if (c.results) ScanSampleVolume(window, kSampleNtfsStart);
        QCOMPARE(window.Session().HasResults(), c.results);
        window.Session().scan->progress.scanning = c.scanning ? 1 : 0;
        window.Session().scan->progress.resultsSaved = c.saved ? 1 : 0;
        QStringList asked;
        {
            ModalResponder no(AnswerBoxes(QMessageBox::No, asked));
            QVERIFY(!window.close());
        }
        QCOMPARE(asked, QStringList{UiText(c.question)});
        QVERIFY(window.isVisible());
        window.Session().scan->progress.scanning = 0;
    }
}

void WizardTest::StepCaptionFollowsNextAndBack() {
    const fs::path image = test::TestImage("sample-disk");
    CMainWindow window;
    window.show();
    const auto step = [](int n) { return UiFormatted(StringId::WizardStep, n); };
    QCOMPARE(window.StepCaption(), step(1));
    for (const RecoveryMode mode : {RecoveryMode::DeletedFiles, RecoveryMode::FormattedVolume,
                                    RecoveryMode::LostPartition, RecoveryMode::FullScan}) {
        window.ModePane().Choose(mode);
        window.NextButton().click();
        QCOMPARE(window.StepCaption(), step(2));
        QVERIFY(window.CurrentPane() != static_cast<WizardPane*>(&window.ModePane()));
        window.BackButton().click();
        QCOMPARE(window.StepCaption(), step(1));
        QCOMPARE(window.CurrentPane(), static_cast<WizardPane*>(&window.ModePane()));
    }
    // The partitions found are a step of their own.
    window.ModePane().Choose(RecoveryMode::LostPartition);
    window.NextButton().click();
    QVERIFY(window.PartitionPane().Picker().AddImage(image.string()));
    window.NextButton().click();
    QTRY_COMPARE(window.StepCaption(), step(3));
    QCOMPARE(window.PromptText(), UiText(StringId::PromptPartitionsFound));
    // The sample disk's three partitions, and the whole disk as the last row.
    QCOMPARE(window.PartitionPane().FoundList().topLevelItemCount(), 4);
    window.BackButton().click();
    QCOMPARE(window.StepCaption(), step(2));
    window.BackButton().click();
    QCOMPARE(window.StepCaption(), step(1));
}

// A disk of 256 GiB, sparse, that starts with the sample disk: the sweep of its cylinders takes
// long enough to be stopped, and the stop still gives the table's partitions and the whole disk.
void WizardTest::StoppedPartitionSearchListsTheTablesPartitions() {
    test::ScopedLanguage japanese(Language::Japanese);
    test::TempDir dir;
    const fs::path disk = test::CopyOfImage("sample-disk", dir.Path());
    fs::resize_file(disk, std::uint64_t{256} << 30);
    CMainWindow window;
    window.show();
    window.ModePane().Choose(RecoveryMode::LostPartition);
    window.NextButton().click();
    QVERIFY(window.PartitionPane().Picker().AddImage(disk.string()));

    int position = -1;
    int extent = -1;
    QString status;
    ModalResponder stop([&](QWidget& modal) {
        auto* search = qobject_cast<CDialogQuickScan*>(&modal);
        QVERIFY(search != nullptr);
        QCOMPARE(search->windowTitle(), QStringLiteral("パーティションのスキャン"));
        QObject::connect(search, &QDialog::finished, [&, search] {
            position = search->SweepPosition();
            extent = search->SweepExtent();
            status = search->StatusText();
        });
        SavePicture(*search, QStringLiteral("dialog-quick-scan"), UiText(StringId::WizardStop));
        search->StopButton().click();
    });
    window.NextButton().click();
    QVERIFY(window.PartitionPane().ShowsFound());
    QVERIFY2(position < extent, qPrintable(QStringLiteral("%1 of %2").arg(position).arg(extent)));
    QCOMPARE(extent, static_cast<int>((std::uint64_t{256} << 21) / 16065));
    QCOMPARE(status, QStringLiteral("3個のパーティションが見つかりました。しばらくお待ちください・・・"));
    QTreeWidget& found = window.PartitionPane().FoundList();
    QStringList starts;
    for (int i = 0; i < found.topLevelItemCount(); ++i) starts << found.topLevelItem(i)->text(0);
    QCOMPARE(starts, (QStringList{QStringLiteral("2048"), QStringLiteral("%1").arg(kSampleNtfsStart),
                                  QStringLiteral("108544"), QStringLiteral("0")}));
}

void WizardTest::RemainingTimeStaysEmptyBelowOnePercent() {
    CMainWindow window;
    ScanProgress& progress = window.Session().scan->progress;
    progress.timing = 1;
    progress.totalUnits = 10000;
    progress.doneUnits = 99;
    const auto start = ProgressDisplay::Clock::now();
    CPaneScanStatus& pane = window.ScanStatusPane();
    pane.Refresh(start);
    pane.Refresh(start + std::chrono::seconds(2));
    QCOMPARE(pane.TimesText(), UiFormatted(StringId::ProgressTimes, "00:02", ""));
    progress.doneUnits = 200;
    pane.Refresh(start + std::chrono::seconds(4));
    QCOMPARE(pane.TimesText(), UiFormatted(StringId::ProgressTimes, "00:04", "03:16"));
}

void WizardTest::OptionsOkStoresAndCancelLeaves() {
    CMainWindow window;
    window.show();
    ScanSampleVolume(window, kSampleNtfsStart);
    window.ShowPane(window.BrowsePane(), 0);
    // The names the list shows for the NTFS volume's hidden system files.
    const auto hiddenNames = [&] {
        QTreeWidget& folders = window.BrowsePane().FolderTree();
        const VolumeScanner& scanner = *window.Session().scan->Scanners().front();
        QTreeWidgetItem* hidden = ChildNamed(*folders.topLevelItem(0), FromUtf16(scanner.roots[RootIndex::Hidden].name));
        folders.setCurrentItem(hidden);
        QStringList names;
        QTreeWidget& files = window.BrowsePane().FileList();
        for (int i = 0; i < files.topLevelItemCount(); ++i) names << files.topLevelItem(i)->text(0);
        return names;
    };
    const Settings& settings = window.Session().settings;
    QVERIFY(!settings.showMetafiles);
    QVERIFY(!hiddenNames().contains(QStringLiteral("$MFT")));
    for (const bool ok : {false, true}) {
        ModalResponder responder([ok](QWidget& modal) {
            auto* dialog = qobject_cast<CDialogOption*>(&modal);
            QVERIFY(dialog != nullptr);
            for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
                if (box->text() == UiText(StringId::OptionShowMetafiles)) box->setChecked(true);
                if (box->text() == UiText(StringId::OptionDropListedFinds)) box->setChecked(false);
            }
            dialog->findChild<QComboBox*>()->setCurrentText(QStringLiteral("windows-1252"));
            if (ok) {
                dialog->accept();
            } else {
                dialog->reject();
            }
        });
        window.ShowOptions();
        QCOMPARE(settings.showMetafiles, ok);
        QCOMPARE(settings.dropListedFinds, !ok);
        QCOMPARE(settings.ansiCodePage, std::string(ok ? "windows-1252" : "CP932"));
        // The views follow at once.
        QCOMPARE(hiddenNames().contains(QStringLiteral("$MFT")), ok);
    }
}

// The formatted-volume, lost-partition and full-scan panes each make tasks that find the NTFS
// volume's files: the full scan kept to the volume's sectors by a range set on its row.
void WizardTest::OtherModesFindTheNtfsVolumesFiles() {
    const std::string image = test::TestImage("sample-disk").string();
    for (const RecoveryMode mode : {RecoveryMode::FormattedVolume, RecoveryMode::LostPartition, RecoveryMode::FullScan}) {
        CMainWindow window;
        window.show();
        window.ModePane().Choose(mode);
        window.NextButton().click();
        if (mode == RecoveryMode::LostPartition) {
            QVERIFY(window.PartitionPane().Picker().AddImage(image));
            window.NextButton().click();
            QTRY_VERIFY(window.PartitionPane().ShowsFound());
            QTreeWidget& found = window.PartitionPane().FoundList();
            for (int i = 0; i < found.topLevelItemCount(); ++i) {
                QTreeWidgetItem* row = found.topLevelItem(i);
                row->setCheckState(0, row->text(0) == QString::number(kSampleNtfsStart) ? Qt::Checked : Qt::Unchecked);
            }
        } else {
            SourcePicker& picker = mode == RecoveryMode::FullScan ? window.RawPane().Picker() : window.FormatPane().Picker();
            QVERIFY(picker.AddImage(image));
            const auto rows = picker.List()->findItems(QStringLiteral("@%1").arg(kSampleNtfsStart), Qt::MatchEndsWith);
            QCOMPARE(rows.size(), 1);
            picker.List()->setCurrentItem(rows.front());
        }
        if (mode == RecoveryMode::FullScan) {
            ModalResponder range([](QWidget& modal) {
                auto* dialog = qobject_cast<CDialogRangeSetup*>(&modal);
                QVERIFY(dialog != nullptr);
                const QList<QLineEdit*> fields = dialog->findChildren<QLineEdit*>();
                QCOMPARE(fields.size(), 2);
                fields[0]->setText(QStringLiteral("0"));
                fields[1]->setText(QStringLiteral("32767"));
                dialog->accept();
            });
            window.RawPane().SetUpRange();
        }
        window.NextButton().click();
        QTRY_VERIFY_WITH_TIMEOUT(window.ScanStatusPane().Ended(), 120000);
        QVERIFY2(RunHolds(window, Named(QStringLiteral("plan.txt"))), qPrintable(QStringLiteral("mode %1").arg(static_cast<int>(mode))));
    }
}

// The preview stays open beside the results and follows the list: choices passed over quickly
// start no preview of their own, and the last one is shown.
void WizardTest::PreviewFollowsTheChoiceOnceItSettles() {
    CMainWindow window;
    window.show();
    ScanSampleVolume(window, kSampleNtfsStart);
    window.ShowPane(window.BrowsePane(), 0);
    CPaneBrowse& browse = window.BrowsePane();
    const VolumeScanner& scanner = *window.Session().scan->Scanners().front();
    QTreeWidgetItem* root = ChildNamed(*browse.FolderTree().topLevelItem(0), FromUtf16(scanner.roots[RootIndex::Root].name));
    browse.FolderTree().setCurrentItem(ChildNamed(*root, QStringLiteral("Projects")));
    QList<QTreeWidgetItem*> files;  // plan.txt and budget.csv
    for (int i = 0; i < browse.FileList().topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = browse.FileList().topLevelItem(i);
        if (row->text(0).contains(u'.')) files << row;
    }
    QCOMPARE(files.size(), 2);
    browse.FileList().setCurrentItem(files.front());
    browse.PreviewSelected();
    CDialogPreview* preview = browse.Preview();
    QVERIFY(preview != nullptr && preview->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(preview->Ready(), 10000);
    QCOMPARE(preview->PreviewsStarted(), 1);

    for (QTreeWidgetItem* row : {files.back(), files.front(), files.back()}) browse.FileList().setCurrentItem(row);
    QVERIFY(!preview->Ready());
    QTRY_VERIFY_WITH_TIMEOUT(preview->Ready(), 10000);
    QCOMPARE(preview->PreviewsStarted(), 2);
    QVERIFY(preview->windowTitle().endsWith(files.back()->text(0)));

    // Opening a folder while the preview is on show, then leaving the results, closes it.
    browse.FolderTree().topLevelItem(0)->child(0)->setExpanded(true);
    window.ShowModeChoice();
    QVERIFY(browse.Preview() == nullptr);
}

// The engine asks from its worker thread and waits; the dialogs come up on the user-interface
// thread, whose event loop keeps running, and the answers reach the worker.
void WizardTest::EngineQuestionsAreAnsweredOnTheGuiThread() {
    CMainWindow window;
    window.show();
    ModalResponder responder([](QWidget& modal) {
        QCOMPARE(modal.thread(), QApplication::instance()->thread());
        if (auto* reopen = qobject_cast<CDialogReopenDisk*>(&modal)) {
            reopen->findChild<QCheckBox*>()->setChecked(true);
            reopen->reject();
        } else if (auto* big = qobject_cast<CDialogBigFileList*>(&modal)) {
            QCOMPARE(big->FileList().item(0)->text(), QStringLiteral("movie.mkv , 4.50 GB"));
            big->reject();
        } else if (auto* exists = qobject_cast<CDialoFileExistPrompt*>(&modal)) {
            exists->findChild<QLineEdit*>()->setText(QStringLiteral("b.txt"));
            for (QPushButton* button : exists->findChildren<QPushButton*>()) {
                if (button->text() == UiText(StringId::CollisionRename)) button->click();
            }
        }
    });
    GuiReconnectPrompt reconnect(window);
    GuiExportPrompt exportPrompt(window);
    ReconnectAnswer reconnected;
    CollisionAnswer collided;
    bool bigFilesWritten = true;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        reconnected = reconnect.AskToReconnect({u"HD1", 2048, 5, u"gone"});
        bigFilesWritten = exportPrompt.ConfirmBigFiles("FAT32", {"\r\n movie.mkv , 4.50 GB"});
        collided = exportPrompt.AskCollision({"/tmp/a.txt", "a__rename_1.txt"});
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
    worker.join();
    QCOMPARE(reconnected.choice, ReconnectChoice::Cancel);
    QVERIFY(reconnected.stopAsking);
    QVERIFY(!bigFilesWritten);
    QCOMPARE(collided.choice, CollisionChoice::Rename);
    QCOMPARE(collided.newName, std::string("b.txt"));
}

// A FAT32 volume reformatted and given new files: the full scan of the whole image, chosen
// through the widgets, carves the old volume's JPEG from the clusters the new one left free.
void WizardTest::FullScanCarvesTheReformattedVolumesOldJpeg() {
    const fs::path image = test::TestImage("fat32-refilled");
    const test::FormerFile* oldJpeg = nullptr;
    const std::vector<test::FormerVolume> former = test::FormerVolumes("fat32-refilled");
    for (const test::FormerFile& file : former.at(0).files) {
        if (file.path == "OLD.JPG") oldJpeg = &file;
    }
    QVERIFY(oldJpeg != nullptr && oldJpeg->survived);
    CMainWindow window;
    window.show();
    window.ModePane().Choose(RecoveryMode::FullScan);
    window.NextButton().click();
    SourcePicker& picker = window.RawPane().Picker();
    QVERIFY(picker.AddImage(image.string()));
    const auto rows = picker.List()->findItems(QString::fromStdString(image.filename().string()), Qt::MatchExactly);
    QCOMPARE(rows.size(), 1);
    picker.List()->setCurrentItem(rows.front());
    window.NextButton().click();
    QTRY_VERIFY_WITH_TIMEOUT(window.ScanStatusPane().Ended(), 120000);
    QCOMPARE(window.Session().tasks.size(), std::size_t{1});
    QCOMPARE(window.Session().tasks[0].volume.sectorCount, std::uint32_t{69632});
    QVERIFY(RunHolds(window, [&](VolumeScanner& scanner, const ScanNode& file) {
        if (file.size != oldJpeg->size) return false;
        const auto bytes = test::ReadNodeBytes(scanner, file);
        return bytes && test::Md5Hex(*bytes) == oldJpeg->md5;
    }));
}

// The preview of the documents of a FAT32 volume: a workbook as the grid of its cells, a
// word-processor document as its text (the phrases are the documents' reference texts).
void WizardTest::PreviewShowsDocumentsByKind() {
    CMainWindow window;
    ScanSampleVolume(window, 0, "docs-fat32");
    VolumeScanner& scanner = *window.Session().scan->Scanners().front();
    ScanNode* live = test::FindChild(scanner.roots[RootIndex::Root], u"LIVE");
    QVERIFY(live != nullptr && EnsureChildren(scanner, *live));
    struct Case {
        std::u16string_view name;
        PreviewKind kind;
        QString phrase;
    };
    const Case cases[] = {
        {u"english.xlsx", PreviewKind::Grid, QStringLiteral("Hard disk")},
        {u"english.xls", PreviewKind::Grid, QStringLiteral("Memory card")},
        {u"english.docx", PreviewKind::Text, QStringLiteral("Quarterly recovery report")},
        {u"japanese.docx", PreviewKind::Text, QStringLiteral("復元作業の報告書")},
    };
    for (const Case& c : cases) {
        const ScanNode* file = test::FindChild(*live, c.name);
        QVERIFY(file != nullptr);
        CDialogPreview preview(scanner, *file, window.Session().settings, &window);
        QTRY_VERIFY_WITH_TIMEOUT(preview.Ready(), 10000);
        QCOMPARE(preview.Kind(), c.kind);
        QStringList shown{preview.ShownText()};
        for (const QTableWidget* sheet : preview.findChildren<QTableWidget*>()) {
            for (const QTableWidgetItem* cell : sheet->findItems(c.phrase, Qt::MatchExactly)) shown << cell->text();
        }
        QVERIFY2(shown.join(u'\n').contains(c.phrase), qPrintable(c.phrase));
    }
}

// The formatted-volume pane: the quick scan reads the sample disk's NTFS volume, whose boot
// sector stands, in the full-scan task mode by its own scanner, and unticked leaves the
// formatted-volume scan; the free-space-only scan is offered for a volume device alone, and
// ticked it plans what `scan VOLUME --mode formatted --free-area` does, whatever the quick box.
void WizardTest::FormattedPaneChoicesMakeTheirTasks() {
    struct Case {
        const char* image;
        bool throughLoop;
        bool quick;
        bool freeArea;
        std::uint32_t mode;
        std::uint32_t fsType;
        std::uint32_t start;
    };
    const Case cases[] = {
        {"sample-disk", false, true, false, kModeFullScan, kFsNtfs, kSampleNtfsStart},
        {"sample-disk", false, false, false, kModeFormattedVolume, kFsNtfs, kSampleNtfsStart},
        {"fat32-refilled", true, true, true, kModeFormattedVolume, kFsRaw, 0},
    };
    for (const Case& c : cases) {
        std::optional<test::LoopDevice> loop;
        std::string source = test::TestImage(c.image).string();
        if (c.throughLoop) {
            loop.emplace(source);
            if (!loop->Attached()) {
                qInfo("no loop device: the free-space case is passed over");
                continue;
            }
            source = loop->Path();
        }
        CMainWindow window;
        window.show();
        window.ModePane().Choose(RecoveryMode::FormattedVolume);
        window.NextButton().click();
        CPaneFormat& pane = window.FormatPane();
        QVERIFY(!pane.QuickScanBox().isChecked());
        QVERIFY(pane.Picker().AddImage(source));
        const auto rows = pane.Picker().List()->findItems(QStringLiteral("@%1").arg(c.start), Qt::MatchEndsWith);
        QCOMPARE(rows.size(), 1);
        pane.Picker().List()->setCurrentItem(rows.front());
        QCOMPARE(pane.FreeAreaBox().isEnabled(), c.throughLoop);
        pane.QuickScanBox().setChecked(c.quick);
        pane.FreeAreaBox().setChecked(c.freeArea);
        QCOMPARE(pane.QuickScanBox().isEnabled(), !c.freeArea);
        window.NextButton().click();
        const std::vector<ScanTask>& tasks = window.Session().tasks;
        QCOMPARE(tasks.size(), std::size_t{1});
        QCOMPARE(tasks[0].mode, c.mode);
        QCOMPARE(tasks[0].volume.fsType, c.fsType);
        QCOMPARE(tasks[0].volume.startSector, c.start);
        QCOMPARE(tasks[0].options[kOptionFullScanFallback], std::uint32_t{1});
        QTRY_VERIFY_WITH_TIMEOUT(window.ScanStatusPane().Ended(), 120000);
    }
}

// Results saved from the results pane open in a new window through the mode pane, where a
// finished scan would have left them; a file that is no saved result is refused.
void WizardTest::SavedResultsOpenAgainWithoutAScan() {
    test::TempDir dir;
    QStringList asked;
    const auto chooseThenAnswer = [&asked](const fs::path& file, QMessageBox::StandardButton answer) {
        return [&asked, file, answer](QWidget& modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(&modal)) {
                QVERIFY(dialog->nameFilters().contains(UiText(StringId::ResultFileFilter)));
                ChooseInFileDialog(*dialog, file);
                return;
            }
            AnswerBoxes(answer, asked)(modal);
        };
    };
    const auto closeAsks = [&asked](CMainWindow& window) {
        asked.clear();
        ModalResponder no(AnswerBoxes(QMessageBox::No, asked));
        window.close();
        return asked;
    };
    QString volume;
    {
        CMainWindow window;
        window.show();
        ScanSampleVolume(window, kSampleNtfsStart);
        window.ShowPane(window.BrowsePane(), 0);
        volume = window.BrowsePane().FolderTree().topLevelItem(0)->text(0);
        {
            ModalResponder responder(chooseThenAnswer(dir / "sample", QMessageBox::Ok));
            for (QPushButton* button : window.BrowsePane().findChildren<QPushButton*>()) {
                if (button->toolTip() == UiText(StringId::SaveResultsTooltip)) button->click();
            }
        }
        // The extension is added to a name without one; the engine's note follows the save.
        QVERIFY(fs::is_regular_file(dir / "sample.kvf"));
        const std::string source = test::TestImage("sample-disk").string();
        QCOMPARE(asked, QStringList{UiFormatted(StringId::SaveResultWarning, source.c_str())});
        QCOMPARE(closeAsks(window), QStringList{UiText(StringId::AskExit)});
    }

    CMainWindow window;
    window.show();
    {
        asked.clear();
        ModalResponder responder(chooseThenAnswer(dir / "sample.kvf", QMessageBox::Ok));
        window.ThirdButton().click();
    }
    QCOMPARE(asked, QStringList{});
    QCOMPARE(window.CurrentPane(), static_cast<WizardPane*>(&window.BrowsePane()));
    QCOMPARE(window.StepCaption(), UiFormatted(StringId::WizardStep, 4));
    QCOMPARE(window.BrowsePane().FolderTree().topLevelItemCount(), 1);
    QCOMPARE(window.BrowsePane().FolderTree().topLevelItem(0)->text(0), volume);
    // A file of the manifest is found, shown and read back from the source.
    const std::vector<NodeStep> steps{{u"Projects"}, {u"plan.txt"}};
    const std::optional<FoundNode> plan = window.Session().scan->Find(0, RootIndex::Root, steps);
    QVERIFY(plan.has_value());
    QVERIFY(window.BrowsePane().ShowNode(*plan->scanner, *plan->node));
    ExtentList extents;
    QVERIFY(plan->scanner->BuildExtents(*plan->node, extents));
    std::vector<std::uint8_t> bytes(plan->node->size);
    QVERIFY(plan->scanner->ReadNodeData(bytes, 0, *plan->node, extents));
    std::string expected;
    for (const test::ManifestFile& file : test::LoadManifest("sample-disk", 5)) {
        if (file.path == "Projects/plan.txt") expected = file.md5;
    }
    QCOMPARE(test::Md5Hex(bytes), expected);
    QCOMPARE(closeAsks(window), QStringList{UiText(StringId::AskExit)});

    {
        ModalResponder yes(AnswerBoxes(QMessageBox::Yes, asked));
        window.BackButton().click();
    }
    const fs::path damaged = dir / "damaged.kvf";
    test::WriteBinaryFile(damaged, test::TextBytes("not a result"));
    {
        asked.clear();
        ModalResponder responder(chooseThenAnswer(damaged, QMessageBox::Ok));
        window.ThirdButton().click();
    }
    const QString refusal = QString::fromStdString(damaged.string()) + QStringLiteral(": ") + UiText(StringId::FileFormatError);
    QCOMPARE(asked, QStringList{refusal});
    QCOMPARE(window.CurrentPane(), static_cast<WizardPane*>(&window.ModePane()));
    QVERIFY(!window.Session().HasResults());
}

void WizardTest::ScreenshotsOfEveryPaneAndDialog() {
    test::ScopedLanguage japanese(Language::Japanese);
    const auto save = SavePicture;
    CMainWindow window;
    window.show();
    const auto shoot = [&](WizardPane& pane, const char* name) {
        if (window.CurrentPane() != &pane) window.ShowPane(pane, 0);
        QCOMPARE(window.PromptText(), UiText(pane.Prompt()));
        save(window, QString::fromLatin1(name), UiText(pane.Prompt()));
    };
    shoot(window.ModePane(), "pane-mode-select");
    shoot(window.DeletePane(), "pane-delete");
    shoot(window.FormatPane(), "pane-format");
    shoot(window.PartitionPane(), "pane-partition");
    shoot(window.RawPane(), "pane-raw");
    const ScanRequest request{test::TestImage("sample-disk").string(), kModeDeletedFiles, kSampleNtfsStart};
    window.StartScan(PlanScanTasks(request, AllFileSystems(), AllScanners()).tasks);
    QTRY_VERIFY_WITH_TIMEOUT(window.ScanStatusPane().Ended(), 60000);
    shoot(window.ScanStatusPane(), "pane-scan-status");
    shoot(window.BrowsePane(), "pane-browse");  // the export pane is taken after the whole recovery's export

    CDialogOption options(window.Session().settings, &window);
    save(options, QStringLiteral("dialog-option"), UiText(StringId::OptionShowMetafiles));
    CDialogAbout about(&window);
    save(about, QStringLiteral("dialog-about"), UiText(StringId::AboutTitle));
    CDialogExportFile destination(&window);
    save(destination, QStringLiteral("dialog-export-file"), UiText(StringId::ExportDestinationWarning));
    CDialogRangeSetup range(131072, std::nullopt, &window);
    save(range, QStringLiteral("dialog-range-setup"), UiText(StringId::RangeStartSector));
    CDialogReopenDisk reopen({u"HD1", 131072, 5, u"エラー番号：5"}, &window);
    save(reopen, QStringLiteral("dialog-reopen-disk"), UiText(StringId::ReconnectRetry));
    CDialoFileExistPrompt exists({"/tmp/a.txt", "a__rename_7.txt"}, &window);
    save(exists, QStringLiteral("dialog-file-exist-prompt"), UiText(StringId::CollisionOverwrite));
    const QString bigFilesText = UiFormatted(StringId::FatDestinationBigFiles, "E:");
    CDialogBigFileList bigFiles(bigFilesText.toStdString(), {"\r\n movie.mkv , 4.50 GB", "\r\n backup.vhd , 12.00 GB"}, &window);
    QCOMPARE(bigFiles.FileList().count(), 2);
    save(bigFiles, QStringLiteral("dialog-big-file-list"), DialogText(bigFilesText.toStdString()));

    VolumeScanner& scanner = *window.Session().scan->Scanners().front();
    const ScanNode* readme = nullptr;
    for (const ScanNode& node : scanner.roots[RootIndex::Root].children) {
        if (FromUtf16(node.name) == QStringLiteral("readme.txt")) readme = &node;
    }
    QVERIFY(readme != nullptr);
    CDialogPreview preview(scanner, *readme, window.Session().settings, &window);
    QTRY_VERIFY_WITH_TIMEOUT(preview.Ready(), 10000);
    QCOMPARE(preview.Kind(), PreviewKind::Text);
    QVERIFY(!preview.ShownText().isEmpty());
    save(preview, QStringLiteral("dialog-preview"), UiText(StringId::PreviewTitle));

    // Finding by extension, and the match shown in the result views.
    CDialogFindFile find(window.Session().scan->Scanners(), &window);
    find.TextField().setText(QStringLiteral(".BIN"));
    find.ByExtension().setChecked(true);
    find.Find();
    QTRY_VERIFY_WITH_TIMEOUT(!find.Searching(), 10000);
    QVERIFY(find.Matches().topLevelItemCount() > 0);
    for (int i = 0; i < find.Matches().topLevelItemCount(); ++i) {
        QCOMPARE(find.Matches().topLevelItem(i)->text(0), QStringLiteral("スキャン.bin"));
    }
    save(find, QStringLiteral("dialog-find-file"), UiText(StringId::FindTitle));
    const std::optional<FoundNode> match = find.Chosen();
    QVERIFY(match.has_value());
    window.ShowPane(window.BrowsePane(), 0);
    QVERIFY(window.BrowsePane().ShowNode(*match->scanner, *match->node));
    QCOMPARE(window.BrowsePane().FileList().currentItem()->text(0), QStringLiteral("スキャン.bin"));
}

}  // namespace tundrel::app

QTEST_MAIN(tundrel::app::WizardTest)
#include "wizard_test.moc"
