#pragma once
// The wizard page container: an ordered list of pages whose forms are shown one at a time in a
// host panel, with the Previous and Next buttons kept in step. Pages belong to their forms; the
// container only refers to them and to the controls it drives.

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace app {

enum TWizardDirection { wdNext = 0, wdPrevious = 1 };

class TWizardPage;
class TWizardControl;

// A visual companion of the container (titles, progress). The wizard registers none.
class TWizardConnector {
public:
    virtual ~TWizardConnector() = default;
    virtual void UpdateConnector() = 0;
    // Diagnostic lines, each starting with a carriage return.
    virtual QString GetHelpMe() const = 0;
};

using TOnEnter = std::function<void(TWizardPage* aSender, TWizardDirection aDirection)>;
using TOnLeave = std::function<void(TWizardPage* aSender, TWizardDirection aDirection,
                                    bool& aAllowed, QString& aNewPage)>;
using TOnWizardPageChange =
    std::function<void(TWizardControl* aSender, const QString& aShortTitle,
                       const QString& aLongTitle, const QString& aDescription)>;

class TWizardControl : public QObject {
    Q_OBJECT
public:
    explicit TWizardControl(QObject* aOwner = nullptr);
    ~TWizardControl() override;

    // Connector objects are not owned; the list is empty in this program.
    QList<TWizardConnector*>& Connectors() { return FConnectors; }
    // Registration order; the pages are owned by their forms.
    const QList<TWizardPage*>& Pages() const { return FPages; }

    QWidget* NextControl() const { return FNextControl; }
    void SetNextControl(QWidget* aControl);
    QWidget* PreviousControl() const { return FPreviousControl; }
    void SetPreviousControl(QWidget* aControl);
    // 1-based; 0 when no page is current.
    int CurrentWizardPage() const { return FCurrentWizardPage; }
    void SetCurrentWizardPage(int aValue);
    QWidget* WizardPanel() const { return FWizardPanel; }
    void SetWizardPanel(QWidget* aPanel);
    bool AutoEnablePreviousAndNext() const { return FAutoEnablePreviousAndNext; }
    void SetAutoEnablePreviousAndNext(bool aValue);

    TOnWizardPageChange OnWizardPageEnter;
    TOnWizardPageChange OnWizardPageLeave;

    void RegisterPage(TWizardPage* aPage);
    void UnregisterPage(TWizardPage* aPage);
    void ShowFirstPage();
    int NextEnabledPage() const;     // 1-based, or -1
    int PreviousEnabledPage() const; // 1-based, or -1
    void NextPage();
    void PreviousPage();
    QString UniquePageName() const;
    TWizardPage* FindPage(const QString& aName) const;
    TWizardPage* PageAt(int aNumber) const;      // 1-based
    int IndexOfPage(const QString& aName) const; // 0-based, or -1
    QString CurrentPageName() const;
    void UpdateButtons();
    // Puts the keyboard focus on the current page: its first control that takes input (labels
    // never count), else the Next control when it can be pressed, else the page form itself.
    // Never a control outside the page but Next, so no key reaches a page the user has left.
    void FocusCurrentPage();
    QString GetHelpMe() const;

protected:
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

private:
    void Watch(QWidget*& aField, QMetaObject::Connection& aWatch, QWidget* aControl);
    // Shows the page's form in the panel and hides every other page form, so that only the
    // current page takes keys and is seen by assistive technology.
    void ShowPageForm(TWizardPage* aPage);
    void HideAllPageForms();
    void FitFormsToPanel();

    QList<TWizardConnector*> FConnectors;
    QList<TWizardPage*> FPages;
    QWidget* FNextControl = nullptr;
    QWidget* FPreviousControl = nullptr;
    int FCurrentWizardPage = 0;
    QWidget* FWizardPanel = nullptr;
    bool FAutoEnablePreviousAndNext = true;
    QMetaObject::Connection FNextWatch, FPreviousWatch, FPanelWatch;
};

class TWizardPage : public QObject {
    Q_OBJECT
public:
    // The owner form is the visual content of the page; it owns the page.
    explicit TWizardPage(QWidget* aOwnerForm);
    ~TWizardPage() override;

    QWidget* OwnerForm() const;

    TWizardControl* WizardControl() const { return FWizardControl; }
    void SetWizardControl(TWizardControl* aControl);
    QString WizardPageName() const { return FWizardPageName; }
    void SetWizardPageName(const QString& aName);

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool aValue);
    bool PreviousEnabled() const { return FPreviousEnabled; }
    void SetPreviousEnabled(bool aValue);
    bool NextEnabled() const { return FNextEnabled; }
    void SetNextEnabled(bool aValue);
    QString ShortTitle() const { return FShortTitle; }
    void SetShortTitle(const QString& aValue);
    QString LongTitle() const { return FLongTitle; }
    void SetLongTitle(const QString& aValue);
    QString Description() const { return FDescription; }
    void SetDescription(const QString& aValue);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int aValue);
    int HelpIndex() const { return FHelpIndex; }
    void SetHelpIndex(int aValue) { FHelpIndex = aValue; }
    QString HelpTopic() const { return FHelpTopic; }
    void SetHelpTopic(const QString& aValue) { FHelpTopic = aValue; }

    TOnEnter OnEnter;
    TOnLeave OnLeave;

private:
    template <typename T> void Change(T& aField, const T& aValue);

    TWizardControl* FWizardControl = nullptr;
    QMetaObject::Connection FControlWatch;
    QString FWizardPageName;
    bool FEnabled = true;
    bool FPreviousEnabled = true;
    bool FNextEnabled = true;
    QString FShortTitle, FLongTitle, FDescription;
    int FImageIndex = -1;
    int FHelpIndex = -1;
    QString FHelpTopic;
};

// A page form's page, made in the order the container expects: owned by the form, registered
// with the container, then named.
TWizardPage* CreateFormPage(QWidget* aForm, TWizardControl* aControl, const char* aObjectName,
                            const QString& aPageName);

} // namespace app
