#include "app/Application.h"

#include "app/Accessibility.h"
#include "app/FormStyle.h"
#include "app/close.h"
#include "app/dm.h"
#include "app/frm_accountslist.h"
#include "app/frm_accounttype.h"
#include "app/frm_finished.h"
#include "app/frm_setup.h"
#include "app/frm_userdata.h"
#include "app/frm_welcome.h"
#include "app/main.h"

#include <clients/outlook/OutlookWindowsVersion.h>
#include <lang/LanguageDispatcher.h>
#include <lang/LanguageTable.h>

#include <QCoreApplication>

namespace app {

TWizardApplication::TWizardApplication() {
    InitOutlookWindowsVersion(); // once at program start, before any store exists
    QCoreApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    InstallFontSubstitutes();
    InstallAccessibility();
    // The page forms register their pages while they are created, in this order; the main
    // window's container must exist before them.
    Main_ = std::make_unique<T_main>(*this);
    Welcome_ = std::make_unique<T_welcome>(*this);
    AccountsList_ = std::make_unique<T_accountslist>(*this);
    AccountType_ = std::make_unique<T_accounttype>(*this);
    UserData_ = std::make_unique<T_userdata>(*this);
    Setup_ = std::make_unique<T_setup>(*this);
    Finished_ = std::make_unique<T_finished>(*this);
    Dm_ = std::make_unique<T_dm>();
    lang::TLanguageDispatcher& dispatcher = *Dm_->langDispMain;
    for (lang::TLanguageTable* table :
         {Main_->langMain, Welcome_->langMain, AccountsList_->langMain, AccountType_->langMain,
          UserData_->langMain, Setup_->langMain, Finished_->langMain}) {
        dispatcher.AttachTable(table);
    }
    CloseDialog_ = std::make_unique<T_closedialog>(*this);
    dispatcher.AttachTable(CloseDialog_->langMain);
}

TWizardApplication::~TWizardApplication() = default;

void TWizardApplication::Start() {
    StartupSteps_.push_back("CreateAccountStores");
    Dm_->CreateAccountStores();
    if (OnStoresCreated) {
        OnStoresCreated();
    }
    StartupSteps_.push_back("ArrangeClients");
    AccountType_->ArrangeClients();
    StartupSteps_.push_back("PreparePages");
    Main_->PreparePages();
    StartupSteps_.push_back("CheckSupportToolInstalled");
    Finished_->CheckSupportToolInstalled();
}

} // namespace app
