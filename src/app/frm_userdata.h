#pragma once
// The user-data page: sender name, mailbox name (the provider's primary domain is fixed), the
// password twice and the default-account wish. It keeps nothing itself; the setup page reads
// the fields when it runs.

#include "app/wizard.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace app {
class TWizardApplication;
}

namespace lang {
class TLanguageTable;
}

class T_userdata : public QWidget {
    Q_OBJECT
public:
    explicit T_userdata(app::TWizardApplication& app);
    ~T_userdata() override;

    QLabel* lblHeader = nullptr;
    QLabel* lblContent = nullptr;
    QGroupBox* grpUserdata = nullptr;
    QLabel* lblName = nullptr;
    QLineEdit* editName = nullptr;
    QLabel* lblEmailAddress = nullptr;
    QLineEdit* editEmailAddress = nullptr;
    QLabel* lblDomain = nullptr;
    QLabel* lblPasswort1 = nullptr;
    QLineEdit* editPasswort1 = nullptr;
    QLabel* lblPassword2 = nullptr;
    QLineEdit* editPassword2 = nullptr;
    QLabel* lblPasswordcheck = nullptr;
    QCheckBox* chkStandard = nullptr;
    lang::TLanguageTable* langMain = nullptr;
    app::TWizardPage* wzrdpgUserData = nullptr; // owned (child object)

    void FormCreate();
    void UserDataPageEnter(app::TWizardPage* sender, app::TWizardDirection direction);
    // Validation after every change of the four fields: Next and the mismatch label.
    void editUserdataChange();
    // When the name or mailbox field loses the focus: cuts a typed domain off the mailbox.
    void editEmailAddressExit();
    // Leaving the page makes the cut too (Enter and a Next that takes no focus leave the
    // field without losing the focus); forwards only while the input is still valid.
    void UserDataPageLeave(app::TWizardPage* sender, app::TWizardDirection direction, bool& allowed,
                           QString& newPage);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* CreateEdit(const char* name, int top, int width);
    void langMainChangeLanguage(lang::TLanguageTable* sender);

    app::TWizardApplication& App;
};
