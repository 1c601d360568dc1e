#include "app/dialog_range_setup.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <limits>

#include "app/dialog_buttons.h"
#include "app/questions.h"
#include "app/ui_text.h"
#include "disk/volume_info.h"
#include "support/display_format.h"

namespace tundrel::app {
namespace {

std::optional<std::uint32_t> SectorNumberOf(const QLineEdit& field) {
    bool ok = false;
    const qulonglong value = field.text().toULongLong(&ok);
    if (!ok || value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

CDialogRangeSetup::CDialogRangeSetup(std::uint64_t totalSectors, std::optional<SectorRange> current, QWidget* parent)
    : QDialog(parent),
      totalSectors_(totalSectors),
      first_(new QLineEdit(this)),
      last_(new QLineEdit(this)),
      summary_(new QLabel(this)) {
    setWindowTitle(UiText(StringId::RangeSetupTitle));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(UiText(StringId::RangeScanArea), this);
    auto* form = new QFormLayout(group);
    const std::uint64_t lastSector = totalSectors > 0 ? totalSectors - 1 : 0;
    form->addRow(new QLabel(UiFormatted(StringId::RangeBrackets, "0", std::to_string(lastSector).c_str()), group));
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,10}")), this);
    first_->setValidator(digits);
    last_->setValidator(digits);
    first_->setText(QString::number(current ? current->first : 0));
    last_->setText(QString::number(current ? std::uint64_t{current->last} : lastSector));
    form->addRow(UiText(StringId::RangeStartSector), first_);
    form->addRow(UiText(StringId::RangeEndSector), last_);
    form->addRow(summary_);
    layout->addWidget(group);
    AddDialogButtons(*this, *layout);
    connect(first_, &QLineEdit::textChanged, this, &CDialogRangeSetup::ShowSummary);
    connect(last_, &QLineEdit::textChanged, this, &CDialogRangeSetup::ShowSummary);
    ShowSummary();
}

std::optional<SectorRange> CDialogRangeSetup::Range() const {
    const auto first = SectorNumberOf(*first_);
    const auto last = SectorNumberOf(*last_);
    if (!first || !last || *first > *last || *last >= totalSectors_) return std::nullopt;
    return SectorRange{*first, *last};
}

void CDialogRangeSetup::ShowSummary() {
    const std::optional<SectorRange> range = Range();
    if (!range) {
        summary_->clear();
        return;
    }
    const std::uint64_t bytes = (std::uint64_t{range->last} - range->first + 1) * kSectorBytes;
    summary_->setText(UiFormatted(StringId::RangeSummary, std::to_string(range->first).c_str(),
                                  std::to_string(range->last).c_str(), FormatSize(bytes).c_str()));
}

void CDialogRangeSetup::accept() {
    if (!Range()) {
        TellWarning(this, UiText(StringId::RangeInvalid));
        return;
    }
    QDialog::accept();
}

}  // namespace tundrel::app
