// The start-up benchmark's yardstick: a bare Qt window of the wizard's size (its client area,
// 640 x 438), shown until its first frame is painted. Links Qt Widgets only.

#include "FirstFrame.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setFixedSize(640, 438);
    bench_startup::ShowAndReport(window, 0);
    return 0;
}
