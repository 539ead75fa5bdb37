#include "MailStores.h"

#include "mozilla/Thunderbird.h"
#include "oeaccount/WindowsMail.h"
#include "oeaccount/windowslivemail.h"
#include "outlook/Outlook2002.h"
#include "outlook/Outlook98.h"
#include "outlook/OutlookExpress.h"

std::unique_ptr<TMailAccounts> CreateMailStore(TStoreIndex index, bool autoSave) {
    switch (index) {
    case siOutlook98:
        return std::make_unique<TOutlook98MailAccounts>(autoSave);
    case siOutlook:
        return std::make_unique<TOutlookMailAccounts>(autoSave);
    case siOutlookExpress:
        return std::make_unique<TOutlookExpressMailAccounts>(autoSave);
    case siWindowsMail:
        return std::make_unique<TWindowsMailAccounts>(autoSave);
    case siWindowsLiveMail:
        return std::make_unique<TWindowsLiveMailAccounts>(autoSave);
    case siThunderbird:
        return std::make_unique<TThunderbirdMailAccounts>(autoSave);
    default:
        return nullptr;
    }
}

TMailStores::TMailStores(bool autoSave) {
    for (int i = 0; i < StoreCount; ++i) {
        Stores_[static_cast<std::size_t>(i)] =
            CreateMailStore(static_cast<TStoreIndex>(i), autoSave);
    }
}

TMailStoreList TMailStores::List() const {
    TMailStoreList list{};
    for (std::size_t i = 0; i < Stores_.size(); ++i) {
        list[i] = Stores_[i].get();
    }
    return list;
}
