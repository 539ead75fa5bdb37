#pragma once
// The existing-accounts page: the provider's accounts found in the mail clients, grouped by
// client, from which the user picks one to adapt, or the last row to add a new account.

#include "app/wizard.h"

#include <QList>
#include <QString>
#include <QWidget>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class TMailAccount;
class TMailAccounts;

namespace app {
class TWizardApplication;
}

namespace lang {
class TLanguageTable;
}

// One entry of RowAccounts: the account's address and the account (not owned), or empty.
struct TRowAccount {
    QString Address;
    TMailAccount* Account = nullptr;
};

class T_accountslist : public QWidget {
    Q_OBJECT
public:
    explicit T_accountslist(app::TWizardApplication& app);
    ~T_accountslist() override;

    QLabel* lblHeader = nullptr;
    QLabel* lblContent = nullptr;
    QLabel* lblContent2 = nullptr;
    QTreeWidget* lvAccounts = nullptr;
    lang::TLanguageTable* langMain = nullptr;
    app::TWizardPage* wzrdpgAccountsList = nullptr; // owned (child object)

    // Parallel to the rows of lvAccounts.
    QList<TRowAccount> RowAccounts;
    bool PrimaryDomainSeen = false;

    void FormCreate();
    // Fills the list from every store; returns the number of account rows.
    int BuildAccountsList();
    // Whether the address's domain is one of the provider's; notes the primary domain.
    bool IsProviderAddress(const QString& address);
    // Adds one store's rows (nothing for an empty field); returns the number of account rows.
    int AddClientGroup(int imageIndex, TMailAccounts* store);
    void AccountsListPageEnter(app::TWizardPage* sender, app::TWizardDirection direction);
    // Runs whenever the selection of lvAccounts changes.
    void lvAccountsSelectItem();
    void langMainChangeLanguage(lang::TLanguageTable* sender);

    // The selected row, or none.
    QTreeWidgetItem* SelectedRow() const;
    // The account of the selected row; none when no row is selected or the row carries none.
    TMailAccount* SelectedAccount() const;
    // Sub-items of a row (the columns after the first that the row has): 0 for client headers
    // and group ends, 1 for the new-account row, 2 for account rows.
    static int SubItemCount(const QTreeWidgetItem* row);

private:
    QTreeWidgetItem* AddRow(const QString& caption, int imageIndex, const QStringList& subItems);

    app::TWizardApplication& App;
};
