#include "app/SetupProgress.h"

#include "app/Accessibility.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <array>

namespace app {

namespace {

constexpr std::array<QPoint, TSetupProgress::OuterBlockCount> Ring = {
    QPoint(0, 0), QPoint(1, 0), QPoint(2, 0), QPoint(2, 1),
    QPoint(2, 2), QPoint(1, 2), QPoint(0, 2), QPoint(0, 1),
};

} // namespace

TSetupProgress::TSetupProgress(QWidget* aParent)
    : QWidget(aParent), FBlockColor(QColor::fromRgb(0x00, 0xCF, 0xEE)) {
    FTimer.setInterval(StepMilliseconds);
    connect(&FTimer, &QTimer::timeout, this, &TSetupProgress::Step);
}

QPoint TSetupProgress::CellOf(int aBlock) {
    return Ring[static_cast<std::size_t>(aBlock % OuterBlockCount)];
}

void TSetupProgress::Step() {
    FActiveBlock = (FActiveBlock + 1) % OuterBlockCount;
    update();
}

void TSetupProgress::UpdateTimer() {
    // Only a visible, enabled indicator turns; a hidden one costs nothing.
    const bool wasBusy = FTimer.isActive();
    if (isEnabled() && isVisible()) {
        if (!FTimer.isActive()) {
            FTimer.start();
        }
    } else {
        FTimer.stop();
    }
    if (FTimer.isActive() != wasBusy) {
        AnnounceBusyChange(this);
    }
}

void TSetupProgress::changeEvent(QEvent* aEvent) {
    if (aEvent->type() == QEvent::EnabledChange) {
        UpdateTimer();
    }
    QWidget::changeEvent(aEvent);
}

void TSetupProgress::showEvent(QShowEvent* aEvent) {
    QWidget::showEvent(aEvent);
    UpdateTimer();
}

void TSetupProgress::hideEvent(QHideEvent* aEvent) {
    QWidget::hideEvent(aEvent);
    UpdateTimer();
}

void TSetupProgress::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int cell = std::min(width(), height()) / 3;
    const int side = std::max(1, cell - Padding);
    const QColor idle = FBlockColor.lighter(170);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRect block(column * cell + Padding / 2, row * cell + Padding / 2, side, side);
            const bool active = CellOf(FActiveBlock) == QPoint(column, row) && isEnabled();
            if (active) {
                // The active block is solid, without a border.
                painter.fillRect(block, FBlockColor);
            } else {
                painter.fillRect(block, idle);
                painter.setPen(FBlockColor);
                painter.drawRect(block.adjusted(0, 0, -1, -1));
            }
        }
    }
}

} // namespace app
