#pragma once
// The main window: banner with the language labels, the host panel of the wizard pages and
// the button bar. It owns the page container; the navigation buttons and language labels are
// its handlers.

#include <QWidget>

class QLabel;
class QPushButton;

namespace app {
class TClickLabel;
class TGradientPanel;
class TWizardApplication;
class TWizardControl;
} // namespace app

namespace lang {
class TLanguageTable;
}

class T_main : public QWidget {
    Q_OBJECT
public:
    explicit T_main(app::TWizardApplication& app);
    ~T_main() override;

    // Components (child objects named like the fields).
    QLabel* imgBanner = nullptr;
    app::TClickLabel* lblLanguageDE = nullptr;
    QLabel* lblSpace1 = nullptr;
    app::TClickLabel* lblLanguageFR = nullptr;
    QLabel* lblSP2 = nullptr;
    app::TClickLabel* lblLanguageIT = nullptr;
    QWidget* panelMain = nullptr;
    QLabel* imgHR = nullptr;
    app::TGradientPanel* panelButtons = nullptr;
    QPushButton* btnPrevious = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnAbbort = nullptr;
    QPushButton* btnRepeat = nullptr;
    lang::TLanguageTable* langMain = nullptr;

    // Run-time fields.
    app::TWizardControl* wzrdcntrlMain = nullptr; // owned (child object)
    // Set by Cancel; polled by the Thunderbird wait of the setup page.
    bool CancelRequested = false;

    void FormCreate();
    // Once at start: enables or disables the accounts page and shows the first page.
    void PreparePages();

    void btnPreviousClick();
    void btnNextClick();
    void btnAbbortClick();
    void btnRepeatClick();
    void lblLanguageDEClick();
    void lblLanguageFRClick();
    void lblLanguageITClick();
    // Runs for every close request: decides whether the window may close.
    void FormCloseQuery(bool& canClose);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void CreateBanner();
    void CreateButtonBar();
    void SetLanguage(int language);
    // The IMAP check of the accounts page; false when the user stays on that page.
    bool ConfirmImapAccount();

    app::TWizardApplication& App;
};
