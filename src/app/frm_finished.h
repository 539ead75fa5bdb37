#pragma once
// The last page of the wizard: reports success, offers the support tool unless it is already
// installed, and carries the box that removes the wizard from the disk after it closes.

#include "app/wizard.h"

#include <QWidget>

class QCheckBox;
class QLabel;

namespace app {
class TClickLabel;
class TWizardApplication;
} // namespace app
namespace lang {
class TLanguageTable;
}

class T_finished : public QWidget {
    Q_OBJECT
public:
    explicit T_finished(app::TWizardApplication& app);
    ~T_finished() override;

    app::TWizardPage* wzrdpgFinished = nullptr;
    lang::TLanguageTable* langMain = nullptr;

    QLabel* lblHeader = nullptr;
    QLabel* lblContent = nullptr;
    QLabel* lblSupporttool = nullptr;
    app::TClickLabel* lblSupporttoolLink = nullptr;
    QCheckBox* chkRemoveApplication = nullptr;

    void FinishedPageEnter(app::TWizardPage* aSender, app::TWizardDirection aDirection);
    // Hides the support-tool offer when the tool reports its first run as completed.
    void CheckSupportToolInstalled();
    void lblSupporttoolLinkClick();
    void langMainChangeLanguage(lang::TLanguageTable* aSender);

private:
    void FormCreate();
    void CreateComponents();
    void SetCancelCaption();

    app::TWizardApplication& App;
};
