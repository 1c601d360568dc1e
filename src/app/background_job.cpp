#include "app/background_job.h"

#include <QCoreApplication>
#include <QThread>

namespace tundrel::app {

BackgroundJob::~BackgroundJob() { Collect(); }

void BackgroundJob::Start(std::function<void()> work) {
    Collect();
    finished_ = false;
    thread_ = std::thread([this, work = std::move(work)] {
        work();
        finished_ = true;
    });
}

void BackgroundJob::Collect() {
    if (!thread_.joinable()) return;
    const bool onGuiThread = QCoreApplication::instance() != nullptr &&
                             QThread::currentThread() == QCoreApplication::instance()->thread();
    while (onGuiThread && !finished_.load()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(10);
    }
    // The events answered while waiting may have collected it already.
    if (thread_.joinable()) thread_.join();
}

}  // namespace tundrel::app
