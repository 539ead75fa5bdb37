#pragma once
// For the start-up benchmark's child programs: shows a window, waits until its first frame has
// been painted, and reports on standard output when that was (monotonic clock, shared by every
// process of the machine) and how much processor time the process had used by then, as
//   shown_ns=<ns> cpu_ns=<ns> width=<px> height=<px> accounts=<n>

#include "Clocks.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <cstdio>

namespace bench_startup {

class TFirstPaint : public QObject {
public:
    bool Painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            Painted = true;
        }
        return false;
    }
};

// The paint of the window and its children runs in one go inside the event that starts it, so
// the frame is complete when processEvents returns after the first paint event.
inline void ShowAndReport(QWidget& window, int accounts) {
    TFirstPaint watch;
    window.installEventFilter(&watch);
    window.show();
    while (!watch.Painted) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const long long shown = Nanoseconds(CLOCK_MONOTONIC);
    const long long cpu = Nanoseconds(CLOCK_PROCESS_CPUTIME_ID);
    window.removeEventFilter(&watch);
    std::printf("shown_ns=%lld cpu_ns=%lld width=%d height=%d accounts=%d\n", shown, cpu,
                window.width(), window.height(), accounts);
    std::fflush(stdout);
}

} // namespace bench_startup
