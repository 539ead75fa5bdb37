#pragma once
// Small controls of the main window and its pages: the clickable label (language codes, the
// download link), the buttons that always show the focus, and the button bar with its
// vertical gradient.

#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace app {

// Draws the style's focus frame into aRect of the widget. Styles draw it only after the user
// has moved the focus with the keyboard; here it is drawn whenever the widget has the focus,
// however it got there, so a keyboard user always sees where Enter and Space go.
void PaintFocusFrame(QWidget& aWidget, const QRect& aRect);

// A label that acts as a link: a click, Space or Enter on it (it takes the focus by Tab)
// emits clicked(). It shows the focus.
class TClickLabel : public QLabel {
    Q_OBJECT
public:
    TClickLabel(const QString& aText, QWidget* aParent);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* aEvent) override;
    void keyPressEvent(QKeyEvent* aEvent) override;
    void paintEvent(QPaintEvent* aEvent) override;
};

// A push button that always shows the focus, also when it is the default button (whose frame
// would otherwise look the same with and without the focus).
class TFocusButton : public QPushButton {
    Q_OBJECT
public:
    TFocusButton(const QString& aCaption, QWidget* aParent);

protected:
    void paintEvent(QPaintEvent* aEvent) override;
};

// A plain panel filled with a vertical gradient from white to #EEEEEE.
class TGradientPanel : public QWidget {
    Q_OBJECT
public:
    explicit TGradientPanel(QWidget* aParent);

protected:
    void paintEvent(QPaintEvent* aEvent) override;
};

} // namespace app
