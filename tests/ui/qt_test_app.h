#pragma once
// One QApplication for a whole test program, made on first use, and a helper that runs the
// event loop until a condition holds (bounded).

#include <QApplication>
#include <QDeadlineTimer>
#include <functional>

namespace mora::test {

inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "mora-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals may be gone by the time statics are torn down.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Processes events until `done` holds or `timeoutMs` passes; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    TestApp();
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

}  // namespace mora::test
