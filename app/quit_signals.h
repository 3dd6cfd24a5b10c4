#pragma once
// SIGTERM (a desktop logout), SIGINT and SIGHUP end the program as "Exit" does, from the event
// loop: the handler only writes a byte to a pipe that the loop watches.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace mora {

class QuitSignals : public QObject {
  public:
    // `onQuit` runs in the event loop once per signal received.
    explicit QuitSignals(std::function<void()> onQuit);
    ~QuitSignals() override;

  private:
    std::function<void()> onQuit_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace mora
