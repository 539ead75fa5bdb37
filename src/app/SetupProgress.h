#pragma once
// The setup page's busy indicator: a 3 x 3 grid of square blocks in which one highlighted block
// walks clockwise round the eight outer blocks, starting at the top left, one step every 120 ms
// for as long as the indicator is enabled.

#include <QColor>
#include <QPoint>
#include <QTimer>
#include <QWidget>

namespace app {

class TSetupProgress : public QWidget {
    Q_OBJECT
public:
    static constexpr int StepMilliseconds = 120;
    static constexpr int Padding = 4;
    static constexpr int OuterBlockCount = 8;

    explicit TSetupProgress(QWidget* aParent = nullptr);

    // $00EECF00 as the form designer writes it: blue $EE, green $CF, red 0.
    QColor BlockColor() const { return FBlockColor; }
    // 0..7: top left, top middle, top right, middle right, bottom right, bottom middle,
    // bottom left, middle left.
    int ActiveBlock() const { return FActiveBlock; }
    // Grid cell (column, row) of an outer block number.
    static QPoint CellOf(int aBlock);
    bool Animating() const { return FTimer.isActive(); }

protected:
    void paintEvent(QPaintEvent* aEvent) override;
    void changeEvent(QEvent* aEvent) override;
    void showEvent(QShowEvent* aEvent) override;
    void hideEvent(QHideEvent* aEvent) override;

private:
    void Step();
    void UpdateTimer();

    QColor FBlockColor;
    int FActiveBlock = 0;
    QTimer FTimer;
};

} // namespace app
