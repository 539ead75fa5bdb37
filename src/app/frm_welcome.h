#pragma once
// The welcome page: a header, a picture and the welcome text; no handler, no state.

#include <QWidget>

class QLabel;

namespace app {
class TWizardApplication;
class TWizardPage;
} // namespace app

namespace lang {
class TLanguageTable;
}

class T_welcome : public QWidget {
    Q_OBJECT
public:
    explicit T_welcome(app::TWizardApplication& app);
    ~T_welcome() override;

    QLabel* lblHeader = nullptr;
    QLabel* imgWelcome = nullptr;
    QLabel* lblWelcome = nullptr;
    lang::TLanguageTable* langMain = nullptr;
    app::TWizardPage* wizardpgWelcome = nullptr; // owned (child object)

    void FormCreate();

private:
    app::TWizardApplication& App;
};
