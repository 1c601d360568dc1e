#include "app/gui_reconnect_prompt.h"

#include <QWidget>

#include "app/dialog_reopen_disk.h"
#include "app/gui_thread_call.h"
#include "app/questions.h"
#include "app/ui_text.h"
#include "support/text.h"

namespace tundrel::app {

ReconnectAnswer GuiReconnectPrompt::AskToReconnect(const ReconnectRequest& request) {
    return AskOnGuiThread<ReconnectAnswer>(window_, [&] {
        CDialogReopenDisk dialog(request, &window_);
        dialog.exec();
        return dialog.Answer();
    });
}

void GuiReconnectPrompt::ReportDifferentDisk(const std::u16string& message) {
    AskOnGuiThread<bool>(window_, [&] {
        TellWarning(&window_, DialogText(ToUtf8(message)));
        return true;
    });
}

}  // namespace tundrel::app
