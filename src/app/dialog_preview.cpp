#include "app/dialog_preview.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ui_text.h"
#include "preview/file_preview.h"
#include "scan/scan_node.h"

namespace tundrel::app {
namespace {

Qt::Alignment AlignmentOf(const CellStyle& style) {
    Qt::Alignment alignment = style.horizontal == HorizontalAlign::Center  ? Qt::AlignHCenter
                              : style.horizontal == HorizontalAlign::Right ? Qt::AlignRight
                                                                           : Qt::AlignLeft;
    alignment |= style.vertical == VerticalAlign::Center   ? Qt::AlignVCenter
                 : style.vertical == VerticalAlign::Bottom ? Qt::AlignBottom
                                                           : Qt::AlignTop;
    return alignment;
}

// A cell far out is kept sparse by the model; the view shows a bounded window of it.
constexpr std::uint32_t kGridRows = 10'000;
constexpr std::uint32_t kGridColumns = 256;

QWidget* MakeGrid(const Workbook& workbook, QWidget* parent) {
    auto* tabs = new QTabWidget(parent);
    for (const Sheet& sheet : workbook.sheets) {
        std::uint32_t rows = 0;
        std::uint32_t columns = 0;
        for (const auto& [place, cell] : sheet.cells) {
            rows = std::max(rows, place.first + 1);
            columns = std::max(columns, place.second + 1);
        }
        rows = std::min(rows, kGridRows);
        columns = std::min(columns, kGridColumns);
        auto* table = new QTableWidget(static_cast<int>(rows), static_cast<int>(columns), tabs);
        for (const auto& [place, cell] : sheet.cells) {
            if (place.first >= rows || place.second >= columns) continue;
            auto* item = new QTableWidgetItem(FromUtf16(cell.text));
            if (cell.style < workbook.styles.size()) item->setTextAlignment(AlignmentOf(workbook.styles[cell.style]));
            table->setItem(static_cast<int>(place.first), static_cast<int>(place.second), item);
        }
        // Widths in characters of the default font, as the workbook gives them.
        const int characterWidth = table->fontMetrics().horizontalAdvance(u'0');
        for (const ColumnWidth& width : sheet.columns) {
            for (std::uint32_t column = width.firstColumn; column <= width.lastColumn && column < columns; ++column) {
                table->setColumnWidth(static_cast<int>(column), static_cast<int>(std::clamp(width.width, 0.0, 255.0) * characterWidth) + 8);
            }
        }
        for (const CellRange& range : sheet.merged) {
            if (range.firstRow >= rows || range.firstColumn >= columns || range.lastRow < range.firstRow ||
                range.lastColumn < range.firstColumn) {
                continue;
            }
            const std::uint32_t spanRows = std::min(range.lastRow, rows - 1) - range.firstRow + 1;
            const std::uint32_t spanColumns = std::min(range.lastColumn, columns - 1) - range.firstColumn + 1;
            if (spanRows > 1 || spanColumns > 1) {
                table->setSpan(static_cast<int>(range.firstRow), static_cast<int>(range.firstColumn),
                               static_cast<int>(spanRows), static_cast<int>(spanColumns));
            }
        }
        tabs->addTab(table, FromUtf16(sheet.name));
    }
    return tabs;
}

}  // namespace

CDialogPreview::CDialogPreview(VolumeScanner& scanner, const ScanNode& node, const Settings& settings, QWidget* parent)
    : QDialog(parent),
      ansiCodePage_(settings.ansiCodePage),
      scanner_(&scanner),
      node_(&node),
      poll_(new QTimer(this)),
      settle_(new QTimer(this)),
      views_(new QStackedWidget(this)),
      text_(new QPlainTextEdit(this)) {
    resize(720, 520);
    auto* layout = new QVBoxLayout(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed = QFont(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    text_->setFont(fixed);
    views_->addWidget(text_);
    layout->addWidget(views_);

    poll_->setInterval(100);
    connect(poll_, &QTimer::timeout, this, [this] {
        if (!job_.Finished()) return;
        poll_->stop();
        job_.Collect();
        Show();
    });
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMilliseconds);
    connect(settle_, &QTimer::timeout, this, &CDialogPreview::Start);
    ShowLoading();
    Start();
}

CDialogPreview::~CDialogPreview() {
    // The preview notices that nobody shows it any more and ends at its next piece.
    selection_.Select();
    job_.Collect();
}

void CDialogPreview::ShowLoading() {
    ready_ = false;
    setWindowTitle(UiText(StringId::PreviewTitle) + QStringLiteral(" - ") + FromUtf16(node_->name));
    if (shown_ != nullptr) {
        views_->removeWidget(shown_);
        shown_->deleteLater();
        shown_ = nullptr;
    }
    views_->setCurrentWidget(text_);
    text_->setPlainText(QStringLiteral("\n\n         ") + UiText(StringId::PreviewLoading));
}

void CDialogPreview::Follow(VolumeScanner& scanner, const ScanNode& node) {
    if (&node == node_ && &scanner == scanner_) return;
    scanner_ = &scanner;
    node_ = &node;
    selection_.Select();
    poll_->stop();
    ShowLoading();
    if (paused_ > 0) {
        restart_ = true;
    } else {
        settle_->start();
    }
}

void CDialogPreview::Start() {
    settle_->stop();
    // The preview before, if any, has seen its selection go and ends at its next piece.
    job_.Collect();
    content_ = {};
    PreviewOptions options;
    options.ansiCodePage = ansiCodePage_;
    const std::uint64_t generation = selection_.Select();
    ++started_;
    job_.Start([this, &scanner = *scanner_, &node = *node_, options, generation] {
        PreviewRequest request{scanner, node, &selection_, generation};
        content_ = BuildPreview(request, options);
    });
    poll_->start();
}

void CDialogPreview::Pause() {
    if (paused_++ > 0) return;
    if (settle_->isActive()) {
        settle_->stop();
        restart_ = true;
    }
    if (job_.Running() && !job_.Finished()) {
        poll_->stop();
        selection_.Select();
        restart_ = true;
    }
    job_.Collect();
}

void CDialogPreview::Resume() {
    if (paused_ == 0 || --paused_ > 0 || !restart_) return;
    restart_ = false;
    settle_->start();
}

void CDialogPreview::Show() {
    ready_ = true;
    switch (content_.kind) {
        case PreviewKind::Grid:
            shown_ = MakeGrid(content_.workbook, this);
            views_->setCurrentIndex(views_->addWidget(shown_));
            return;
        case PreviewKind::Image: {
            QImage image;
            if (image.loadFromData(content_.bytes.data(), static_cast<int>(content_.bytes.size()))) {
                auto* area = new QScrollArea(this);
                auto* picture = new QLabel(area);
                picture->setPixmap(QPixmap::fromImage(image));
                area->setWidget(picture);
                shown_ = area;
                views_->setCurrentIndex(views_->addWidget(area));
                return;
            }
            text_->clear();
            return;
        }
        case PreviewKind::PdfPages: {
            QString pages = FromUtf16(content_.text);
            for (const std::u16string& page : content_.pages) pages += FromUtf16(page) + u'\n';
            text_->setPlainText(pages);
            return;
        }
        case PreviewKind::Text:
        case PreviewKind::RichText:
        case PreviewKind::Listing:
        case PreviewKind::Hex: text_->setPlainText(FromUtf16(content_.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))); return;
        case PreviewKind::Nothing: text_->clear(); return;
    }
}

QString CDialogPreview::ShownText() const { return text_->toPlainText(); }

}  // namespace tundrel::app
