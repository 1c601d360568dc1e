#pragma once
// The sectors a full scan is kept to: first and last, both included, on the chosen source.

#include <QDialog>
#include <cstdint>
#include <optional>

#include "modes/scan_plan.h"

class QLabel;
class QLineEdit;

namespace tundrel::app {

class CDialogRangeSetup : public QDialog {
    Q_OBJECT
public:
    CDialogRangeSetup(std::uint64_t totalSectors, std::optional<SectorRange> current, QWidget* parent);
    // The range entered, when it is one the source holds.
    std::optional<SectorRange> Range() const;

    void accept() override;

private:
    void ShowSummary();

    std::uint64_t totalSectors_;
    QLineEdit* first_;
    QLineEdit* last_;
    QLabel* summary_;
};

}  // namespace tundrel::app
