#pragma once
// The client-choice page: one radio button per installed mail client, side by side; the
// checked one names the client a new account is made in.

#include "app/wizard.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QRadioButton;

namespace app {
class TWizardApplication;
}

namespace lang {
class TLanguageTable;
}

class T_accounttype : public QWidget {
    Q_OBJECT
public:
    explicit T_accounttype(app::TWizardApplication& app);
    ~T_accounttype() override;

    QLabel* lblHeader = nullptr;
    QLabel* lblContent = nullptr;
    QLabel* lblError = nullptr;
    QGroupBox* grpEmailApps = nullptr;
    QLabel* imgOutlookExpress = nullptr;
    QLabel* imgOfficeOutlook = nullptr;
    QLabel* imgWindowsMail = nullptr;
    QLabel* imgWindowsLiveMail = nullptr;
    QLabel* imgThunderbird = nullptr;
    QRadioButton* rbOutlookExpress = nullptr;
    QRadioButton* rbOfficeOutlook = nullptr;
    QRadioButton* rbWindowsMail = nullptr;
    QRadioButton* rbThunderbird = nullptr;
    QRadioButton* rbWindowsLiveMail = nullptr;
    lang::TLanguageTable* langMain = nullptr;
    app::TWizardPage* wzrdpgAccountType = nullptr; // owned (child object)

    // At least one client is offered.
    bool ClientFound = false;

    void FormCreate();
    // Once at start, after the stores exist: shows one picture and button per installed
    // client, left to right without gaps.
    void ArrangeClients();
    void AccountTypePageEnter(app::TWizardPage* sender, app::TWizardDirection direction);
    void rbAccountTypeClick();
    // Whether any of the five buttons is checked.
    bool AnyClientChecked() const;

private:
    // A client's icon, read out by screen readers as the client's name.
    QLabel* CreateClientPicture(const char* name, int iconIndex, const QString& caption);
    QRadioButton* CreateClientButton(const char* name, const QString& caption, int width);
    // Shows the client's picture at x and its button 40 further right.
    void PlaceClient(QLabel* picture, QRadioButton* button, int x);

    app::TWizardApplication& App;
};
