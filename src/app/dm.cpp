#include "app/dm.h"

#include "app/Pop3Client.h"

#include <accounts/MailAccounts.h>
#include <clients/mozilla/Thunderbird.h>
#include <clients/outlook/OutlookExpress.h>
#include <clients/oeaccount/WindowsMail.h>
#include <clients/oeaccount/windowslivemail.h>
#include <lang/LanguageDispatcher.h>

T_dm::T_dm()
    : popMain(std::make_unique<TPop3Client>()), langDispMain(new lang::TLanguageDispatcher(this)) {
    setObjectName(QStringLiteral("T_dm"));
    langDispMain->setObjectName(QStringLiteral("langDispMain"));
}

T_dm::~T_dm() = default;

void T_dm::CreateAccountStores() {
    // Outlook 98/2000, Outlook 2002/2003/2007, Outlook Express, Windows Mail and Windows Live
    // Mail take their places here, in this order, as their store modules join the build:
    // Outlook98Accounts, OutlookAccounts, OutlookExpressAccounts, WindowsMailAccounts,
    // WindowsLiveMailAccounts. Until then those fields stay empty.
    OutlookExpressAccounts = std::make_unique<TOutlookExpressMailAccounts>(false);
    WindowsMailAccounts = std::make_unique<TWindowsMailAccounts>(false);
    WindowsLiveMailAccounts = std::make_unique<TWindowsLiveMailAccounts>(false);
    ThunderbirdAccounts = std::make_unique<TThunderbirdMailAccounts>(false);
}

TMailStoreList T_dm::Stores() const {
    static_assert(siOutlook98 == 0 && siOutlook == 1 && siOutlookExpress == 2 &&
                      siWindowsMail == 3 && siWindowsLiveMail == 4 && siThunderbird == 5,
                  "keep in sync with the fields below");
    return {Outlook98Accounts.get(),   OutlookAccounts.get(),         OutlookExpressAccounts.get(),
            WindowsMailAccounts.get(), WindowsLiveMailAccounts.get(), ThunderbirdAccounts.get()};
}

int T_dm::TotalAccountCount() const {
    int sum = 0;
    for (TMailAccounts* store : Stores()) {
        sum += AccountCountOf(store);
    }
    return sum;
}

bool T_dm::IsInstalled(const TMailAccounts* store) {
    return store != nullptr && store->Installed();
}

int T_dm::AccountCountOf(TMailAccounts* store) {
    return store != nullptr ? store->AccountCount() : 0;
}
