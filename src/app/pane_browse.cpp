#include "app/pane_browse.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/background_job.h"
#include "app/check_marks.h"
#include "app/dialog_export_file.h"
#include "app/dialog_find_file.h"
#include "app/dialog_preview.h"
#include "app/file_chooser.h"
#include "app/gui_thread_call.h"
#include "app/main_window.h"
#include "app/questions.h"
#include "app/ui_text.h"
#include "disk/fs_type.h"
#include "export/export_selection.h"
#include "export/export_writer.h"
#include "scan/display_row.h"
#include "scan/node_expansion.h"
#include "scan/result_file.h"
#include "scan/volume_scanner.h"

namespace tundrel::app {
namespace {

constexpr int kNodeRole = Qt::UserRole;
constexpr int kScannerRole = Qt::UserRole + 1;

ScanNode* NodeOf(const QTreeWidgetItem& item) {
    return reinterpret_cast<ScanNode*>(item.data(0, kNodeRole).value<quintptr>());
}
VolumeScanner* ScannerOf(const QTreeWidgetItem& item) {
    return reinterpret_cast<VolumeScanner*>(item.data(0, kScannerRole).value<quintptr>());
}

Qt::CheckState CheckStateOf(const ScanNode& node) {
    if (node.Has(kFlagChecked)) return Qt::Checked;
    return node.Has(kFlagPartlyChecked) ? Qt::PartiallyChecked : Qt::Unchecked;
}

// NTFS metafiles ("$MFT", "$Bitmap", ...) stand among the hidden system files; the views leave
// them out unless the options ask for them.
bool IsHiddenMetafile(const VolumeScanner& scanner, const ScanNode& parent, const ScanNode& child,
                      bool showMetafiles) {
    return !showMetafiles && scanner.fsType == kFsNtfs && &parent == &scanner.roots[RootIndex::Hidden] &&
           child.name != nullptr && child.name[0] == u'$';
}

// The engine's warning once a result is saved, in a message box over the pane: the save runs on
// a thread of its own, the box on the user-interface thread.
class SaveWarningBox final : public ResultSaveNotice {
public:
    explicit SaveWarningBox(QWidget& pane) : pane_(pane) {}
    void Warn(const std::string& text) override {
        AskOnGuiThread<bool>(pane_, [&] {
            TellWarning(&pane_, DialogText(text));
            return true;
        });
    }

private:
    QWidget& pane_;
};

void ForEachItem(QTreeWidget& tree, const std::function<void(QTreeWidgetItem&)>& visit) {
    std::vector<QTreeWidgetItem*> pending;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) pending.push_back(tree.topLevelItem(i));
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        visit(*item);
        for (int i = 0; i < item->childCount(); ++i) pending.push_back(item->child(i));
    }
}

}  // namespace

CPaneBrowse::CPaneBrowse(CMainWindow& wizard)
    : WizardPane(wizard),
      folders_(new QTreeWidget(this)),
      files_(new QTreeWidget(this)),
      count_(new QLabel(this)),
      size_(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    auto* tools = new QHBoxLayout;
    auto* preview = new QPushButton(UiText(StringId::WizardPreview), this);
    preview->setToolTip(UiText(StringId::PreviewTooltip));
    connect(preview, &QPushButton::clicked, this, &CPaneBrowse::PreviewSelected);
    tools->addWidget(preview);
    auto* find = new QPushButton(UiText(StringId::FindTitle), this);
    find->setToolTip(UiText(StringId::FindTooltip));
    connect(find, &QPushButton::clicked, this, &CPaneBrowse::FindFiles);
    tools->addWidget(find);
    auto* save = new QPushButton(UiText(StringId::SaveResultsButton), this);
    save->setToolTip(UiText(StringId::SaveResultsTooltip));
    connect(save, &QPushButton::clicked, this, &CPaneBrowse::SaveResults);
    tools->addWidget(save);
    tools->addStretch();
    layout->addLayout(tools);

    auto* split = new QSplitter(this);
    folders_->setHeaderHidden(true);
    files_->setRootIsDecorated(false);
    files_->setHeaderLabels({UiText(StringId::ResultColumnName), UiText(StringId::ResultColumnSize),
                             UiText(StringId::ResultColumnCreated), UiText(StringId::ResultColumnModified),
                             UiText(StringId::ResultColumnAccessed), UiText(StringId::ResultColumnState),
                             UiText(StringId::ResultColumnLocation)});
    files_->header()->setSectionResizeMode(QHeaderView::Interactive);
    split->addWidget(folders_);
    split->addWidget(files_);
    split->setStretchFactor(1, 3);
    layout->addWidget(split, 1);
    auto* summary = new QHBoxLayout;
    summary->addWidget(count_);
    summary->addSpacing(24);
    summary->addWidget(size_);
    summary->addStretch();
    layout->addLayout(summary);

    connect(folders_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { FillFolder(*item); });
    connect(folders_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { ShowFolderContents(item); });
    connect(folders_, &QTreeWidget::itemChanged, this, &CPaneBrowse::CheckChanged);
    connect(files_, &QTreeWidget::itemChanged, this, &CPaneBrowse::CheckChanged);
    connect(files_, &QTreeWidget::itemDoubleClicked, this, [this] { PreviewSelected(); });
    connect(files_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { FollowInPreview(item); });
}

PaneButtons CPaneBrowse::Buttons() const {
    PaneButtons buttons;
    buttons.back = UiText(StringId::WizardBack);
    buttons.third = UiText(StringId::WizardExport);
    buttons.thirdTip = UiText(StringId::ExportTooltip);
    return buttons;
}

QTreeWidgetItem* CPaneBrowse::AddNodeItem(QTreeWidgetItem* parent, VolumeScanner& scanner, ScanNode& node) const {
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(folders_);
    item->setText(0, FromUtf16(node.name));
    item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
    item->setData(0, kScannerRole, QVariant::fromValue(reinterpret_cast<quintptr>(&scanner)));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, CheckStateOf(node));
    // Folders are filled when first opened; until then they show they can be.
    if (node.IsDirectory()) item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void CPaneBrowse::Return() {
    if (viewsStale_) {
        RebuildViews();
    } else {
        RefreshChecks();
    }
}

void CPaneBrowse::RebuildViews() {
    const PreviewPause pause(preview_);
    viewsStale_ = false;
    updating_ = true;
    folders_->clear();
    files_->clear();
    std::size_t index = 0;
    for (VolumeScanner* scanner : wizard_.Session().scan->Scanners()) {
        ++index;
        auto* volume = new QTreeWidgetItem(folders_);
        volume->setText(0, QString::fromStdString(VolumeFolderName({}, index, scanner->fsType, scanner->volumeSectors)));
        for (ScanNode& root : scanner->roots.roots) {
            if (root.children.empty()) continue;
            AddNodeItem(volume, *scanner, root);
        }
        volume->setExpanded(true);
    }
    updating_ = false;
    // Open on the first folder found, so the list shows something from the start.
    if (QTreeWidgetItem* volume = folders_->topLevelItem(0); volume != nullptr && volume->childCount() > 0) {
        folders_->setCurrentItem(volume->child(0));
    }
    RefreshChecks();
}

void CPaneBrowse::FillFolder(QTreeWidgetItem& item) {
    ScanNode* node = NodeOf(item);
    if (node == nullptr || item.childCount() > 0) return;
    VolumeScanner& scanner = *ScannerOf(item);
    const PreviewPause pause(preview_);
    EnsureChildren(scanner, *node);
    const bool showMetafiles = wizard_.Session().settings.showMetafiles;
    updating_ = true;
    for (ScanNode& child : node->children) {
        if (child.IsDirectory() && !IsHiddenMetafile(scanner, *node, child, showMetafiles)) {
            AddNodeItem(&item, scanner, child);
        }
    }
    if (item.childCount() == 0) item.setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    updating_ = false;
}

void CPaneBrowse::ShowFolderContents(QTreeWidgetItem* item) {
    const PreviewPause pause(preview_);
    updating_ = true;
    files_->clear();
    ScanNode* node = item != nullptr ? NodeOf(*item) : nullptr;
    if (node != nullptr) {
        VolumeScanner& scanner = *ScannerOf(*item);
        EnsureChildren(scanner, *node);
        const bool showMetafiles = wizard_.Session().settings.showMetafiles;
        for (ScanNode& child : node->children) {
            if (IsHiddenMetafile(scanner, *node, child, showMetafiles)) continue;
            const DisplayRow row = MakeDisplayRow(child);
            auto* line = new QTreeWidgetItem(files_);
            const std::string* texts[] = {&row.name,     &row.size,       &row.created, &row.modified,
                                          &row.accessed, &row.attributes, &row.location};
            for (int column = 0; column < 7; ++column) line->setText(column, QString::fromStdString(*texts[column]));
            line->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(&child)));
            line->setData(0, kScannerRole, QVariant::fromValue(reinterpret_cast<quintptr>(&scanner)));
            line->setFlags(line->flags() | Qt::ItemIsUserCheckable);
            line->setCheckState(0, CheckStateOf(child));
        }
    }
    updating_ = false;
}

void CPaneBrowse::CheckChanged(QTreeWidgetItem* item) {
    if (updating_ || item == nullptr) return;
    // An item being filled in reports its changes before it knows both its node and scanner.
    ScanNode* node = NodeOf(*item);
    VolumeScanner* scanner = ScannerOf(*item);
    if (node == nullptr || scanner == nullptr) return;
    const PreviewPause pause(preview_);
    SetNodeChecked(*scanner, *node, item->checkState(0) == Qt::Checked);
    RefreshChecks();
}

void CPaneBrowse::RefreshChecks() {
    const PreviewPause pause(preview_);
    updating_ = true;
    for (QTreeWidget* tree : {folders_, files_}) {
        ForEachItem(*tree, [](QTreeWidgetItem& item) {
            if (const ScanNode* node = NodeOf(item)) item.setCheckState(0, CheckStateOf(*node));
        });
    }
    updating_ = false;
    SelectionTotals totals;
    for (VolumeScanner* scanner : wizard_.Session().scan->Scanners()) {
        for (const ScanNode& root : scanner->roots.roots) AddSelection(*scanner, root, totals);
    }
    count_->setText(UiFormatted(StringId::SelectedCount, static_cast<int>(totals.files)));
    const QString megabytes = QString::number(static_cast<double>(totals.bytes) / (1024.0 * 1024.0), 'f', 2);
    size_->setText(UiFormatted(StringId::SelectedSize, megabytes.toStdString().c_str()));
}

QString CPaneBrowse::SummaryText() const { return count_->text() + u' ' + size_->text(); }

void CPaneBrowse::PreviewSelected() {
    const QTreeWidgetItem* item = files_->currentItem();
    ScanNode* node = item != nullptr ? NodeOf(*item) : nullptr;
    if (node == nullptr || node->IsDirectory()) return;
    if (preview_ == nullptr) {
        preview_ = new CDialogPreview(*ScannerOf(*item), *node, wizard_.Session().settings, this);
        preview_->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        preview_->Follow(*ScannerOf(*item), *node);
    }
    preview_->show();
    preview_->raise();
}

void CPaneBrowse::FollowInPreview(QTreeWidgetItem* item) {
    if (preview_ == nullptr || !preview_->isVisible() || item == nullptr) return;
    ScanNode* node = NodeOf(*item);
    if (node != nullptr && !node->IsDirectory()) preview_->Follow(*ScannerOf(*item), *node);
}

void CPaneBrowse::ClosePreview() {
    // Deleted at once: the results it reads may go right after.
    delete preview_.data();
}

void CPaneBrowse::hideEvent(QHideEvent* event) {
    // A minimized window is still the results; another pane is not.
    if (!event->spontaneous()) ClosePreview();
    WizardPane::hideEvent(event);
}

void CPaneBrowse::FindFiles() {
    // The search walks the scanners on its own thread.
    const PreviewPause pause(preview_);
    CDialogFindFile find(wizard_.Session().scan->Scanners(), this);
    if (find.exec() != QDialog::Accepted) return;
    if (const std::optional<FoundNode> chosen = find.Chosen()) ShowNode(*chosen->scanner, *chosen->node);
}

void CPaneBrowse::SaveResults() {
    const QString file = AskForResultFileToSave(this);
    if (file.isEmpty()) return;
    ScanSession& run = *wizard_.Session().scan;
    // Saving fills the folders not yet read, through the scanners.
    const PreviewPause pause(preview_);
    SaveWarningBox notice(*this);
    // The wizard's mode is the one the file keeps, also for opened results saved again.
    const auto mode = static_cast<std::uint32_t>(wizard_.Session().mode);
    // Saving reads the folders not read yet from the disk: on a thread of its own, behind a
    // box that keeps the results from being changed meanwhile.
    QProgressDialog saving(UiText(StringId::SavingResults), QString(), 0, 0, this);
    saving.setWindowModality(Qt::WindowModal);
    saving.setMinimumDuration(0);
    saving.show();
    ResultSaveError error = ResultSaveError::None;
    BackgroundJob job;
    job.Start([&] { error = SaveScanResults(file.toStdString(), run.contexts, mode, &notice); });
    job.Collect();
    saving.close();
    switch (error) {
        case ResultSaveError::None:
            run.progress.resultsSaved = 1;
            return;
        case ResultSaveError::NoResults:
            TellWarning(this, UiText(StringId::ResultFileNoResults));
            return;
        case ResultSaveError::NotWritten:
            TellWarning(this, UiFormatted(StringId::ResultFileNotWritten, file.toStdString().c_str()));
            return;
    }
}

bool CPaneBrowse::ShowNode(VolumeScanner& scanner, ScanNode& node) {
    std::vector<const ScanNode*> folders;  // the node's folders, its root folder last
    for (const ScanNode* folder = node.parent; folder != nullptr; folder = folder->parent) folders.push_back(folder);
    const auto childFor = [](QTreeWidgetItem& parent, const ScanNode* wanted) -> QTreeWidgetItem* {
        for (int i = 0; i < parent.childCount(); ++i) {
            if (NodeOf(*parent.child(i)) == wanted) return parent.child(i);
        }
        return nullptr;
    };
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < folders_->topLevelItemCount() && item == nullptr && !folders.empty(); ++i) {
        item = childFor(*folders_->topLevelItem(i), folders.back());
    }
    for (auto folder = folders.rbegin() + 1; item != nullptr && folder < folders.rend(); ++folder) {
        FillFolder(*item);
        item->setExpanded(true);
        item = childFor(*item, *folder);
    }
    if (item == nullptr || ScannerOf(*item) != &scanner) return false;
    folders_->setCurrentItem(item);
    for (int row = 0; row < files_->topLevelItemCount(); ++row) {
        if (NodeOf(*files_->topLevelItem(row)) == &node) {
            files_->setCurrentItem(files_->topLevelItem(row));
            files_->scrollToItem(files_->topLevelItem(row));
            return true;
        }
    }
    return false;
}

void CPaneBrowse::Back() {
    if (wizard_.Session().HasResults() && !AskYesNo(this, UiText(StringId::AskBackToTop))) return;
    ClosePreview();
    folders_->clear();
    files_->clear();
    wizard_.Session().DiscardResults();
    wizard_.ShowModeChoice();
}

void CPaneBrowse::Third() {
    bool any = false;
    for (VolumeScanner* scanner : wizard_.Session().scan->Scanners()) any = any || HasSelection(scanner->roots);
    if (!any) {
        TellInformation(this, UiText(StringId::NothingToExport));
        return;
    }
    CDialogExportFile dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    // The export reads the scanners on its own thread.
    ClosePreview();
    wizard_.StartExport(dialog.Destination());
}

}  // namespace tundrel::app
