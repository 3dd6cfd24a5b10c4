#pragma once
// The program's event loop over Qt's: posted callbacks are queued events of an object living on
// the GUI thread, timers are QTimers kept by identifier.

#include <QObject>
#include <map>
#include <memory>

#include "platform/event_loop.h"

class QTimer;

namespace mora {

class QtEventLoop : public EventLoop {
  public:
    // Create on the GUI thread; callbacks run on the thread that created the loop.
    QtEventLoop();
    ~QtEventLoop() override;

    void Post(std::function<void()> fn) override;
    void StartTimer(int id, int intervalMs, std::function<void()> fn) override;
    void StopTimer(int id) override;
    bool TimerActive(int id) const { return timers_.count(id) != 0; }

  private:
    std::unique_ptr<QObject> context_;
    std::map<int, QTimer*> timers_;
};

}  // namespace mora
