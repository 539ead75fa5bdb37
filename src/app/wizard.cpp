#include "app/wizard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>

#include <algorithm>

namespace app {

namespace {

void EnableControl(QWidget* aControl, bool aEnabled) {
    if (aControl != nullptr) {
        aControl->setEnabled(aEnabled);
    }
}

bool SameName(const QString& aLeft, const QString& aRight) {
    return aLeft.compare(aRight, Qt::CaseInsensitive) == 0;
}

} // namespace

// ---- TWizardControl -------------------------------------------------------------------------

TWizardControl::TWizardControl(QObject* aOwner) : QObject(aOwner) {}

TWizardControl::~TWizardControl() {
    // The pages outlive us (their forms own them); they forget us through destroyed().
    FPages.clear();
    FConnectors.clear();
}

void TWizardControl::Watch(QWidget*& aField, QMetaObject::Connection& aWatch, QWidget* aControl) {
    if (aField == aControl) {
        return;
    }
    QObject::disconnect(aWatch);
    aWatch = {};
    if (aControl != nullptr) {
        aWatch = connect(aControl, &QObject::destroyed, this, [&aField, &aWatch]() {
            aField = nullptr;
            aWatch = {};
        });
    }
    aField = aControl;
}

void TWizardControl::SetNextControl(QWidget* aControl) {
    Watch(FNextControl, FNextWatch, aControl);
}

void TWizardControl::SetPreviousControl(QWidget* aControl) {
    Watch(FPreviousControl, FPreviousWatch, aControl);
}

void TWizardControl::SetWizardPanel(QWidget* aPanel) {
    if (FWizardPanel == aPanel) {
        return;
    }
    if (FWizardPanel != nullptr) {
        FWizardPanel->removeEventFilter(this);
    }
    Watch(FWizardPanel, FPanelWatch, aPanel);
    if (FWizardPanel != nullptr) {
        FWizardPanel->installEventFilter(this); // keeps the page forms filling the panel
    }
}

void TWizardControl::SetAutoEnablePreviousAndNext(bool aValue) {
    if (FAutoEnablePreviousAndNext != aValue) {
        FAutoEnablePreviousAndNext = aValue;
        UpdateButtons();
    }
}

void TWizardControl::RegisterPage(TWizardPage* aPage) {
    if (aPage != nullptr && !FPages.contains(aPage)) {
        FPages.append(aPage);
    }
    UpdateButtons();
}

void TWizardControl::UnregisterPage(TWizardPage* aPage) {
    FPages.removeOne(aPage);
}

void TWizardControl::ShowFirstPage() {
    for (int i = 0; i < FPages.size(); ++i) {
        if (FPages[i]->Enabled()) {
            SetCurrentWizardPage(i + 1);
            return;
        }
    }
    SetCurrentWizardPage(0);
}

int TWizardControl::NextEnabledPage() const {
    for (int number = FCurrentWizardPage + 1; number <= FPages.size(); ++number) {
        if (number >= 1 && FPages[number - 1]->Enabled()) {
            return number;
        }
    }
    return -1;
}

int TWizardControl::PreviousEnabledPage() const {
    for (int number = std::min(FCurrentWizardPage, static_cast<int>(FPages.size()) + 1) - 1;
         number >= 1; --number) {
        if (FPages[number - 1]->Enabled()) {
            return number;
        }
    }
    return -1;
}

void TWizardControl::NextPage() {
    const int number = NextEnabledPage();
    if (number != -1) {
        SetCurrentWizardPage(number);
    }
}

void TWizardControl::PreviousPage() {
    const int number = PreviousEnabledPage();
    if (number != -1) {
        SetCurrentWizardPage(number);
    }
}

QString TWizardControl::UniquePageName() const {
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("wizardpage%1").arg(n);
        if (FindPage(name) == nullptr) {
            return name;
        }
    }
}

TWizardPage* TWizardControl::FindPage(const QString& aName) const {
    for (TWizardPage* page : FPages) {
        if (SameName(page->WizardPageName(), aName)) {
            return page;
        }
    }
    return nullptr;
}

TWizardPage* TWizardControl::PageAt(int aNumber) const {
    if (aNumber <= 0 || aNumber > FPages.size()) {
        return nullptr;
    }
    return FPages[aNumber - 1];
}

int TWizardControl::IndexOfPage(const QString& aName) const {
    const QString wanted = aName.toLower();
    for (int i = 0; i < FPages.size(); ++i) {
        if (FPages[i]->WizardPageName().toLower() == wanted) {
            return i;
        }
    }
    return -1;
}

QString TWizardControl::CurrentPageName() const {
    const TWizardPage* page = PageAt(FCurrentWizardPage);
    return page != nullptr ? page->WizardPageName() : QString();
}

void TWizardControl::UpdateButtons() {
    for (TWizardConnector* connector : FConnectors) {
        connector->UpdateConnector();
        QCoreApplication::processEvents();
    }
    const TWizardPage* page = PageAt(FCurrentWizardPage);
    if (page == nullptr) {
        EnableControl(FPreviousControl, false);
        EnableControl(FNextControl, false);
        return;
    }
    EnableControl(FPreviousControl, page->PreviousEnabled());
    EnableControl(FNextControl, page->NextEnabled());
    if (FAutoEnablePreviousAndNext) {
        if (PreviousEnabledPage() == -1) {
            EnableControl(FPreviousControl, false);
        }
        if (NextEnabledPage() == -1) {
            EnableControl(FNextControl, false);
        }
    }
}

void TWizardControl::SetCurrentWizardPage(int aValue) {
    if (aValue == FCurrentWizardPage || aValue < 0 || aValue > FPages.size()) {
        return;
    }
    const TWizardDirection direction = aValue > FCurrentWizardPage ? wdNext : wdPrevious;
    const TWizardPage* target = PageAt(aValue);
    QString newPage = target != nullptr ? target->WizardPageName() : QString();
    if (TWizardPage* leaving = PageAt(FCurrentWizardPage)) {
        UpdateButtons();
        bool allowed = true;
        if (leaving->OnLeave) {
            leaving->OnLeave(leaving, direction, allowed, newPage);
        }
        if (!allowed) {
            return;
        }
        if (OnWizardPageLeave) {
            OnWizardPageLeave(this, leaving->ShortTitle(), leaving->LongTitle(),
                              leaving->Description());
        }
    }
    const int index = IndexOfPage(newPage);
    FCurrentWizardPage = index >= 0 ? index + 1 : aValue;

    if (TWizardPage* entered = PageAt(FCurrentWizardPage)) {
        ShowPageForm(entered);
        UpdateButtons();
        FocusCurrentPage();
        if (OnWizardPageEnter) {
            OnWizardPageEnter(this, entered->ShortTitle(), entered->LongTitle(),
                              entered->Description());
        }
        if (entered->OnEnter) {
            entered->OnEnter(entered, direction);
        }
    } else {
        HideAllPageForms();
    }
    UpdateButtons();
}

QString TWizardControl::GetHelpMe() const {
    QString text;
    if (FPages.isEmpty()) {
        text += QStringLiteral("\r- there is no wizardpage registered");
    } else if (std::none_of(FPages.begin(), FPages.end(),
                            [](const TWizardPage* page) { return page->Enabled(); })) {
        text += QStringLiteral("\r- no wizardpage is enabled");
    }
    if (FPreviousControl == nullptr) {
        text += QStringLiteral("\r- there is no previous control set");
    }
    if (FNextControl == nullptr) {
        text += QStringLiteral("\r- there is no next control set");
    }
    if (FWizardPanel == nullptr) {
        text += QStringLiteral("\r- there is no panel for showing the wizardpages set");
    }
    if (FConnectors.isEmpty()) {
        text += QStringLiteral("\r- there is no connector registered");
    }
    for (const TWizardConnector* connector : FConnectors) {
        text += connector->GetHelpMe();
    }
    if (!text.isEmpty()) {
        text.prepend(QStringLiteral("Warnings"));
    }
    return text;
}

void TWizardControl::ShowPageForm(TWizardPage* aPage) {
    QWidget* form = aPage->OwnerForm();
    if (form == nullptr) {
        return;
    }
    if (FWizardPanel != nullptr) {
        if (form->parentWidget() != FWizardPanel || form->isWindow()) {
            form->setParent(FWizardPanel, Qt::Widget); // a borderless child of the panel
        }
        form->setGeometry(FWizardPanel->rect());
    }
    form->show();
    form->raise();
    for (TWizardPage* page : FPages) {
        QWidget* other = page->OwnerForm();
        if (other != nullptr && other != form) {
            other->hide();
        }
    }
}

void TWizardControl::FocusCurrentPage() {
    const TWizardPage* page = PageAt(FCurrentWizardPage);
    QWidget* form = page != nullptr ? page->OwnerForm() : nullptr;
    if (form == nullptr) {
        return;
    }
    QWidget* window = form->window();
    for (QWidget* w = form->nextInFocusChain(); w != form && form->isAncestorOf(w);
         w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(window) &&
            qobject_cast<QLabel*>(w) == nullptr) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    if (FNextControl != nullptr && FNextControl->isEnabled() && FNextControl->isVisibleTo(window)) {
        FNextControl->setFocus(Qt::OtherFocusReason);
        return;
    }
    form->setFocus(Qt::OtherFocusReason);
}

void TWizardControl::HideAllPageForms() {
    for (TWizardPage* page : FPages) {
        if (QWidget* form = page->OwnerForm()) {
            form->hide();
        }
    }
}

void TWizardControl::FitFormsToPanel() {
    for (TWizardPage* page : FPages) {
        QWidget* form = page->OwnerForm();
        if (form != nullptr && !form->isWindow() && form->parentWidget() == FWizardPanel) {
            form->setGeometry(FWizardPanel->rect());
        }
    }
}

bool TWizardControl::eventFilter(QObject* aWatched, QEvent* aEvent) {
    if (aWatched == FWizardPanel && aEvent->type() == QEvent::Resize) {
        FitFormsToPanel();
    }
    return QObject::eventFilter(aWatched, aEvent);
}

// ---- TWizardPage ----------------------------------------------------------------------------

TWizardPage::TWizardPage(QWidget* aOwnerForm) : QObject(aOwnerForm) {}

TWizardPage::~TWizardPage() {
    // A page that dies with its form must not stay in the container's list.
    if (FWizardControl != nullptr) {
        FWizardControl->UnregisterPage(this);
    }
}

QWidget* TWizardPage::OwnerForm() const {
    return qobject_cast<QWidget*>(parent());
}

void TWizardPage::SetWizardControl(TWizardControl* aControl) {
    if (aControl == FWizardControl) {
        return;
    }
    if (aControl != nullptr) {
        const QString name = FWizardPageName.trimmed();
        if (name.isEmpty() || aControl->FindPage(name) != nullptr) {
            FWizardPageName = aControl->UniquePageName();
        }
    }
    if (FWizardControl != nullptr) {
        FWizardControl->UnregisterPage(this);
    }
    QObject::disconnect(FControlWatch);
    FControlWatch = {};
    FWizardControl = aControl;
    if (aControl != nullptr) {
        FControlWatch = connect(aControl, &QObject::destroyed, this, [this]() {
            FWizardControl = nullptr;
            FControlWatch = {};
        });
        aControl->RegisterPage(this);
    }
}

void TWizardPage::SetWizardPageName(const QString& aName) {
    QString name = aName.trimmed();
    if (FWizardControl != nullptr) {
        if (name.isEmpty()) {
            return;
        }
        // Another page of that name forces a generated one; our own present name does not.
        const bool takenByOther =
            std::any_of(FWizardControl->Pages().begin(), FWizardControl->Pages().end(),
                        [&](const TWizardPage* page) {
                            return page != this &&
                                   page->WizardPageName().compare(name, Qt::CaseInsensitive) == 0;
                        });
        if (takenByOther) {
            name = FWizardControl->UniquePageName();
        }
    }
    FWizardPageName = name;
}

template <typename T> void TWizardPage::Change(T& aField, const T& aValue) {
    if (aField == aValue) {
        return;
    }
    aField = aValue;
    if (FWizardControl != nullptr) {
        FWizardControl->UpdateButtons();
    }
}

void TWizardPage::SetEnabled(bool aValue) {
    Change(FEnabled, aValue);
}
void TWizardPage::SetPreviousEnabled(bool aValue) {
    Change(FPreviousEnabled, aValue);
}
void TWizardPage::SetNextEnabled(bool aValue) {
    Change(FNextEnabled, aValue);
}
void TWizardPage::SetShortTitle(const QString& aValue) {
    Change(FShortTitle, aValue);
}
void TWizardPage::SetLongTitle(const QString& aValue) {
    Change(FLongTitle, aValue);
}
void TWizardPage::SetDescription(const QString& aValue) {
    Change(FDescription, aValue);
}
void TWizardPage::SetImageIndex(int aValue) {
    Change(FImageIndex, aValue);
}

TWizardPage* CreateFormPage(QWidget* aForm, TWizardControl* aControl, const char* aObjectName,
                            const QString& aPageName) {
    auto* page = new TWizardPage(aForm);
    page->setObjectName(QString::fromLatin1(aObjectName));
    page->SetWizardControl(aControl);
    page->SetWizardPageName(aPageName);
    return page;
}

} // namespace app
