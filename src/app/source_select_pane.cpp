#include "app/source_select_pane.h"

#include <QVBoxLayout>

#include "app/main_window.h"
#include "app/questions.h"
#include "app/ui_text.h"
#include "modes/all_scanners.h"

namespace tundrel::app {

SourceSelectPane::SourceSelectPane(CMainWindow& wizard, SourceKind kind, bool remainingAreaColumn)
    : WizardPane(wizard), picker_(new SourcePicker(kind, remainingAreaColumn, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picker_);
}

PaneButtons SourceSelectPane::Buttons() const {
    PaneButtons buttons = WizardPane::Buttons();
    buttons.third = UiText(StringId::OpenImageFile);
    return buttons;
}

void SourceSelectPane::Next() {
    const std::optional<SourceChoice> choice = picker_->Selected();
    if (!choice) {
        TellWarning(this, UiText(StringId::SelectTarget));
        return;
    }
    const std::optional<ScanRequest> request = RequestFor(*choice);
    if (!request) return;
    std::vector<ScanTask> tasks = PlanTasksOrTell(this, *request);
    if (tasks.empty()) return;
    SettleTasks(tasks);
    wizard_.StartScan(std::move(tasks));
}

std::vector<ScanTask> PlanTasksOrTell(QWidget* parent, const ScanRequest& request) {
    ScanPlan plan = PlanScanTasks(request, AllFileSystems(), AllScanners());
    if (plan.refusal != PlanRefusal::None) {
        TellWarning(parent, QString::fromStdString(plan.error));
        return {};
    }
    return std::move(plan.tasks);
}

}  // namespace tundrel::app
