#pragma once
// Modal message dialogs whose title and button captions come from a language table.

#include <QDialog>
#include <QList>
#include <QPixmap>
#include <QString>

#include <functional>
#include <initializer_list>
#include <optional>

class QLabel;
class QPushButton;

namespace lang {

class TLanguageTable;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp,
};

// A set of buttons; they are always laid out in the order of TMsgDlgBtn.
class TMsgDlgButtons {
public:
    TMsgDlgButtons() = default;
    TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> aButtons);
    bool Contains(TMsgDlgBtn aButton) const { return (FBits & (1u << aButton)) != 0; }
    bool IsEmpty() const { return FBits == 0; }

private:
    unsigned FBits = 0;
};

// Results of the buttons (mbHelp has none: it does not close the dialog).
enum TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};
int ModalResultOf(TMsgDlgBtn aButton);

// stDlgsCaptions keys of the dialog titles and buttons.
QString DialogTypeKey(TMsgDlgType aType); // "Warning", "Error", "Information", "Confirm"
QString ButtonKey(TMsgDlgBtn aButton);    // "Yes", "No", "OK", "Cancel", ... "No To All", ...

// The icon of a dialog type, painted in code (none for mtCustom).
QPixmap MessageDialogIcon(TMsgDlgType aType, int aSize = 32);

class TTranslatedMessageDialog : public QDialog {
    Q_OBJECT
public:
    TTranslatedMessageDialog(const TLanguageTable& aTable, const QString& aText, TMsgDlgType aType,
                             TMsgDlgButtons aButtons, QWidget* aParent = nullptr);

    QString Text() const;
    TMsgDlgType DialogType() const { return FType; }
    // nullptr when the button was not requested.
    QPushButton* Button(TMsgDlgBtn aButton) const;
    QList<QPushButton*> Buttons() const; // in layout order
    QPushButton* DefaultButton() const;
    // The button that Escape (and the close box) answers with; nullptr when none.
    std::optional<TMsgDlgBtn> EscapeButton() const { return FEscape; }

    // Shows the dialog modally, centred on the screen; returns the pressed button's result.
    int Execute();

protected:
    void reject() override;

private:
    TMsgDlgType FType;
    QLabel* FTextLabel = nullptr;
    QList<QPushButton*> FButtons;
    QList<TMsgDlgBtn> FButtonKinds;
    std::optional<TMsgDlgBtn> FEscape;
};

// Builds the dialog, centres it and runs it modally; returns the result of the pressed button
// (Yes 6, No 7, OK 1, Cancel 2 ...). The default button is OK when present, else Yes; Escape
// answers Cancel when present, else No, else OK.
int ShowTranslatedMessage(const TLanguageTable& aTable, const QString& aText, TMsgDlgType aType,
                          TMsgDlgButtons aButtons);

// Test seam: while set, ShowTranslatedMessage hands every built dialog to the hook before
// running it. A result returned by the hook is returned without running the dialog; nullopt
// runs it as usual (the hook may have scheduled a click, e.g. with QTimer::singleShot).
using TMessageDialogHook = std::function<std::optional<int>(TTranslatedMessageDialog& aDialog)>;
void SetMessageDialogHook(TMessageDialogHook aHook);

// Installs a hook for the lifetime of the guard.
class TMessageDialogHookGuard {
public:
    explicit TMessageDialogHookGuard(TMessageDialogHook aHook);
    ~TMessageDialogHookGuard();
    TMessageDialogHookGuard(const TMessageDialogHookGuard&) = delete;
    TMessageDialogHookGuard& operator=(const TMessageDialogHookGuard&) = delete;
};

} // namespace lang
