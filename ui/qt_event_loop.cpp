#include "ui/qt_event_loop.h"

#include <QMetaObject>
#include <QTimer>

namespace mora {

QtEventLoop::QtEventLoop() : context_(std::make_unique<QObject>()) {}

QtEventLoop::~QtEventLoop() {
    for (auto& [id, timer] : timers_) delete timer;
}

void QtEventLoop::Post(std::function<void()> fn) {
    // Queued calls to one receiver are delivered in the order they were posted, from any thread.
    QMetaObject::invokeMethod(
        context_.get(), [fn = std::move(fn)] { fn(); }, Qt::QueuedConnection);
}

void QtEventLoop::StartTimer(int id, int intervalMs, std::function<void()> fn) {
    StopTimer(id);
    auto* timer = new QTimer(context_.get());
    timer->setInterval(intervalMs);
    // The callback lives with its timer, so a callback that stops or restarts its own timer
    // keeps running safely: the old timer is only deleted later.
    QObject::connect(timer, &QTimer::timeout, timer, [fn = std::move(fn)] { fn(); });
    timers_[id] = timer;
    timer->start();
}

void QtEventLoop::StopTimer(int id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

}  // namespace mora
