#pragma once
// Runs a question for the engine on the user-interface thread. The engine asks from its worker
// thread and waits for the answer; asked on the user-interface thread itself, it runs at once.

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <utility>

namespace tundrel::app {

template <typename Result, typename Ask>
Result AskOnGuiThread(QObject& owner, Ask ask) {
    if (QThread::currentThread() == owner.thread()) return ask();
    Result result{};
    QMetaObject::invokeMethod(&owner, [&] { result = ask(); }, Qt::BlockingQueuedConnection);
    return result;
}

}  // namespace tundrel::app
