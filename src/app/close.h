#pragma once
// The exit-confirmation dialog: asks whether to quit before the wizard has finished, with the
// box that removes the wizard after it closes. Created once and reused, so the box keeps the
// state the user left it in.

#include <QDialog>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QPushButton;

namespace app {
class TWizardApplication;
}
namespace lang {
class TLanguageTable;
}

class T_closedialog : public QDialog {
    Q_OBJECT
public:
    // Results of the two buttons (the system's Yes and No).
    static constexpr int mrYes = 6;
    static constexpr int mrNo = 7;

    explicit T_closedialog(app::TWizardApplication& app);
    ~T_closedialog() override;

    // Shows the dialog modally, centred on the screen, with the focus on No; the result of the
    // pressed button (Escape answers No), or 0 (none) when the dialog was closed by its close
    // box.
    int ShowModal();

    QLabel* imgConfirm = nullptr;
    QLabel* lblConfirmation = nullptr;
    QPushButton* btnYes = nullptr;
    QPushButton* btnNo = nullptr;
    QCheckBox* chkRemoveApplication = nullptr;
    lang::TLanguageTable* langMain = nullptr;

protected:
    void keyPressEvent(QKeyEvent* aEvent) override;

private:
    void CreateComponents();
    void CentreOnScreen();
};
