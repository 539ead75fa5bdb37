#pragma once
// The data module: the POP3 client of the credential check, the language dispatcher that every
// form's table follows, and the six account stores, which live for the whole run.

#include "clients/ProviderAccountSetup.h"

#include <QObject>
#include <QString>

#include <array>
#include <memory>

class TMailAccounts;
class TPop3Client;

namespace lang {
class TLanguageDispatcher;
}

class T_dm : public QObject {
    Q_OBJECT
public:
    T_dm();
    ~T_dm() override;

    // Fields in declaration order. A store whose client module is not part of this build stays
    // empty; readers treat an empty field like a store whose client is not installed.
    std::unique_ptr<TPop3Client> popMain;
    lang::TLanguageDispatcher* langDispMain = nullptr; // owned (child object)
    std::unique_ptr<TMailAccounts> Outlook98Accounts;
    std::unique_ptr<TMailAccounts> OutlookAccounts;
    std::unique_ptr<TMailAccounts> OutlookExpressAccounts;
    std::unique_ptr<TMailAccounts> WindowsMailAccounts;
    std::unique_ptr<TMailAccounts> WindowsLiveMailAccounts;
    std::unique_ptr<TMailAccounts> ThunderbirdAccounts;

    // Creates the stores in declaration order, each with AutoSave off; each detects its client
    // and loads its accounts.
    void CreateAccountStores();

    // The POP3 login over TLS with the given credentials on popMain; popMain's LastFailure
    // tells a refused login from a technical failure.
    bool CheckPop3Login(const QString& userName, const QString& password);

    // The six stores in declaration order (TStoreIndex); empty fields are null.
    TMailStoreList Stores() const;
    // Sum of AccountCount over the stores.
    int TotalAccountCount() const;

    // Installed, with an empty field counting as not installed.
    static bool IsInstalled(const TMailAccounts* store);
    // AccountCount, 0 for an empty field.
    static int AccountCountOf(TMailAccounts* store);
};
