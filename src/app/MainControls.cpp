#include "app/MainControls.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>

namespace app {

TClickLabel::TClickLabel(const QString& aText, QWidget* aParent) : QLabel(aText, aParent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* aEvent) {
    if (aEvent->button() == Qt::LeftButton && rect().contains(aEvent->position().toPoint())) {
        emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(aEvent);
}

void TClickLabel::keyPressEvent(QKeyEvent* aEvent) {
    switch (aEvent->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit clicked();
        return;
    default:
        QLabel::keyPressEvent(aEvent);
    }
}

void PaintFocusFrame(QWidget& aWidget, const QRect& aRect) {
    QPainter painter(&aWidget);
    QStyleOptionFocusRect option;
    option.initFrom(&aWidget);
    option.rect = aRect;
    option.state |= QStyle::State_KeyboardFocusChange;
    option.backgroundColor = aWidget.palette().color(QPalette::Window);
    aWidget.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, &aWidget);
}

void TClickLabel::paintEvent(QPaintEvent* aEvent) {
    QLabel::paintEvent(aEvent);
    if (hasFocus()) {
        PaintFocusFrame(*this, rect());
    }
}

TFocusButton::TFocusButton(const QString& aCaption, QWidget* aParent)
    : QPushButton(aCaption, aParent) {}

void TFocusButton::paintEvent(QPaintEvent* aEvent) {
    QPushButton::paintEvent(aEvent);
    if (hasFocus()) {
        QStyleOptionButton option;
        initStyleOption(&option);
        PaintFocusFrame(*this,
                        style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this));
    }
}

TGradientPanel::TGradientPanel(QWidget* aParent) : QWidget(aParent) {}

void TGradientPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0.0, Qt::white);
    fill.setColorAt(1.0, QColor(0xEE, 0xEE, 0xEE));
    painter.fillRect(rect(), fill);
}

} // namespace app
