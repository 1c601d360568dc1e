#include "app/dialog_find_file.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dialog_buttons.h"
#include "app/ui_text.h"
#include "scan/display_row.h"
#include "scan/node_expansion.h"
#include "scan/volume_scanner.h"

namespace tundrel::app {
namespace {

// Bounds the walk of a damaged volume whose folders contain themselves.
constexpr int kMaxFindDepth = 256;

struct FindQuery {
    QString text;  // lower-cased
    bool extension = false;
};

bool NameMatches(const ScanNode& node, const FindQuery& query) {
    const QString name = FromUtf16(node.name).toLower();
    if (!query.extension) return name.contains(query.text);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 && name.mid(dot + 1) == query.text;
}

void FindBelow(VolumeScanner& scanner, ScanNode& folder, const FindQuery& query, int depth,
               const std::atomic<std::uint32_t>& stop, std::vector<FoundNode>& found) {
    if (depth >= kMaxFindDepth || !EnsureChildren(scanner, folder)) return;
    for (ScanNode& child : folder.children) {
        if (stop.load() != 0) return;
        if (!child.IsDirectory() && NameMatches(child, query)) found.push_back({&scanner, &child});
        if (child.IsDirectory()) FindBelow(scanner, child, query, depth + 1, stop, found);
    }
}

}  // namespace

CDialogFindFile::CDialogFindFile(std::vector<VolumeScanner*> scanners, QWidget* parent)
    : QDialog(parent),
      scanners_(std::move(scanners)),
      text_(new QLineEdit(this)),
      byName_(new QRadioButton(UiText(StringId::FindByName), this)),
      byExtension_(new QRadioButton(UiText(StringId::FindByExtension), this)),
      matches_(new QTreeWidget(this)),
      status_(new QLabel(this)),
      poll_(new QTimer(this)) {
    setWindowTitle(UiText(StringId::FindTitle));
    resize(640, 420);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(text_, 1);
    row->addWidget(byName_);
    row->addWidget(byExtension_);
    auto* find = new QPushButton(UiText(StringId::FindTitle), this);
    connect(find, &QPushButton::clicked, this, &CDialogFindFile::Find);
    connect(text_, &QLineEdit::returnPressed, this, &CDialogFindFile::Find);
    row->addWidget(find);
    layout->addLayout(row);
    byName_->setChecked(true);
    matches_->setRootIsDecorated(false);
    matches_->setHeaderLabels({UiText(StringId::ResultColumnName), UiText(StringId::ResultColumnSize),
                               UiText(StringId::ResultColumnLocation)});
    matches_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(matches_, 1);
    layout->addWidget(status_);
    AddDialogButtons(*this, *layout);
    connect(matches_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    poll_->setInterval(200);
    connect(poll_, &QTimer::timeout, this, [this] {
        if (search_.Finished()) SearchEnded();
    });
}

CDialogFindFile::~CDialogFindFile() {
    stop_ = 1;
    search_.Collect();
}

void CDialogFindFile::Find() {
    const QString text = text_->text().trimmed().toLower();
    if (Searching() || text.isEmpty()) return;
    const FindQuery query{byExtension_->isChecked() && text.startsWith(u'.') ? text.mid(1) : text,
                          byExtension_->isChecked()};
    matches_->clear();
    found_.clear();
    stop_ = 0;
    status_->setText(UiText(StringId::FindSearching));
    search_.Start([this, query] {
        for (VolumeScanner* scanner : scanners_) {
            for (ScanNode& root : scanner->roots.roots) FindBelow(*scanner, root, query, 0, stop_, found_);
        }
    });
    poll_->start();
}

void CDialogFindFile::SearchEnded() {
    poll_->stop();
    search_.Collect();
    for (const FoundNode& match : found_) {
        const DisplayRow row = MakeDisplayRow(*match.node);
        new QTreeWidgetItem(matches_, {QString::fromStdString(row.name), QString::fromStdString(row.size),
                                       QString::fromStdString(row.location)});
    }
    status_->setText(UiFormatted(StringId::FindCount, static_cast<int>(found_.size())));
    if (!found_.empty()) matches_->setCurrentItem(matches_->topLevelItem(0));
}

std::optional<FoundNode> CDialogFindFile::Chosen() const {
    const int row = matches_->indexOfTopLevelItem(matches_->currentItem());
    if (row < 0 || Searching() || static_cast<std::size_t>(row) >= found_.size()) return std::nullopt;
    return found_[static_cast<std::size_t>(row)];
}

void CDialogFindFile::accept() {
    if (!Chosen()) return;
    QDialog::accept();
}

}  // namespace tundrel::app
