#include "app/dm.h"

#include "app/Pop3Client.h"

#include <accounts/MailAccounts.h>
#include <clients/MailStores.h>
#include <lang/LanguageDispatcher.h>

T_dm::T_dm()
    : popMain(std::make_unique<TPop3Client>()), langDispMain(new lang::TLanguageDispatcher(this)) {
    setObjectName(QStringLiteral("T_dm"));
    langDispMain->setObjectName(QStringLiteral("langDispMain"));
}

T_dm::~T_dm() = default;

void T_dm::CreateAccountStores() {
    // The stores are made as the command-line tool makes them (clients/MailStores.h); a store
    // whose module is not part of this build stays empty.
    Outlook98Accounts = CreateMailStore(siOutlook98, false);
    OutlookAccounts = CreateMailStore(siOutlook, false);
    OutlookExpressAccounts = CreateMailStore(siOutlookExpress, false);
    WindowsMailAccounts = CreateMailStore(siWindowsMail, false);
    WindowsLiveMailAccounts = CreateMailStore(siWindowsLiveMail, false);
    ThunderbirdAccounts = CreateMailStore(siThunderbird, false);
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
