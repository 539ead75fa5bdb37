#pragma once
// Two small controls of the main window: the clickable language label and the button bar with
// its vertical gradient.

#include <QLabel>
#include <QWidget>

namespace app {

// A label that acts as a link: a click, Space or Enter on it (it takes the focus by Tab)
// emits clicked().
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

// A plain panel filled with a vertical gradient from white to #EEEEEE.
class TGradientPanel : public QWidget {
    Q_OBJECT
public:
    explicit TGradientPanel(QWidget* aParent);

protected:
    void paintEvent(QPaintEvent* aEvent) override;
};

} // namespace app
