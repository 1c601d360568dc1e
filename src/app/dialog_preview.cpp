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

#include "app/ui_text.h"
#include "preview/file_preview.h"
#include "scan/scan_node.h"
#include "support/settings.h"

namespace tundrel::app {
namespace {

QWidget* MakeGrid(const Workbook& workbook, QWidget* parent) {
    auto* tabs = new QTabWidget(parent);
    for (const Sheet& sheet : workbook.sheets) {
        std::uint32_t rows = 0;
        std::uint32_t columns = 0;
        for (const auto& [place, cell] : sheet.cells) {
            rows = std::max(rows, place.first + 1);
            columns = std::max(columns, place.second + 1);
        }
        // A cell far out is kept sparse by the model; the view shows a bounded window of it.
        auto* table = new QTableWidget(static_cast<int>(std::min<std::uint32_t>(rows, 10'000)),
                                       static_cast<int>(std::min<std::uint32_t>(columns, 256)), tabs);
        for (const auto& [place, cell] : sheet.cells) {
            if (place.first < 10'000 && place.second < 256) {
                table->setItem(static_cast<int>(place.first), static_cast<int>(place.second),
                               new QTableWidgetItem(FromUtf16(cell.text)));
            }
        }
        tabs->addTab(table, FromUtf16(sheet.name));
    }
    return tabs;
}

}  // namespace

CDialogPreview::CDialogPreview(VolumeScanner& scanner, const ScanNode& node, const Settings& settings, QWidget* parent)
    : QDialog(parent), poll_(new QTimer(this)), views_(new QStackedWidget(this)), text_(new QPlainTextEdit(this)) {
    setWindowTitle(UiText(StringId::PreviewTitle) + QStringLiteral(" - ") + FromUtf16(node.name));
    resize(720, 520);
    auto* layout = new QVBoxLayout(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed = QFont(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    text_->setFont(fixed);
    text_->setPlainText(QStringLiteral("\n\n         ") + UiText(StringId::PreviewLoading));
    views_->addWidget(text_);
    layout->addWidget(views_);

    PreviewOptions options;
    options.ansiCodePage = settings.ansiCodePage;
    const std::uint64_t generation = selection_.Select();
    job_.Start([this, &scanner, &node, options, generation] {
        PreviewRequest request{scanner, node, &selection_, generation};
        content_ = BuildPreview(request, options);
    });
    poll_->setInterval(100);
    connect(poll_, &QTimer::timeout, this, [this] {
        if (!job_.Finished()) return;
        poll_->stop();
        job_.Collect();
        Show();
    });
    poll_->start();
}

CDialogPreview::~CDialogPreview() {
    // The preview notices that nobody shows it any more and ends at its next piece.
    selection_.Select();
    job_.Collect();
}

void CDialogPreview::Show() {
    ready_ = true;
    switch (content_.kind) {
        case PreviewKind::Grid: views_->setCurrentIndex(views_->addWidget(MakeGrid(content_.workbook, this))); return;
        case PreviewKind::Image: {
            QImage image;
            if (image.loadFromData(content_.bytes.data(), static_cast<int>(content_.bytes.size()))) {
                auto* area = new QScrollArea(this);
                auto* picture = new QLabel(area);
                picture->setPixmap(QPixmap::fromImage(image));
                area->setWidget(picture);
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
