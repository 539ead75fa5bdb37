#include "MailStores.h"

#include "mozilla/Thunderbird.h"
#include "oeaccount/WindowsMail.h"
#include "oeaccount/windowslivemail.h"
#include "outlook/OutlookExpress.h"

std::unique_ptr<TMailAccounts> CreateMailStore(TStoreIndex index, bool autoSave) {
    // The Outlook 98/2000 and 2002/2003/2007 stores take their places here as their modules join
    // the build.
    switch (index) {
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
