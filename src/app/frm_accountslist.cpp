#include "app/frm_accountslist.h"

#include "app/Application.h"
#include "app/FormStyle.h"
#include "app/Pictures.h"
#include "app/dm.h"
#include "app/frm_accounttype.h"
#include "app/main.h"
#include "clients/ProviderAddress.h"

#include <accounts/MailAccounts.h>
#include <lang/LanguageTable.h>

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

namespace {

// Number of sub-items a row has; kept on the row because Qt rows always have every column.
constexpr int SubItemCountRole = Qt::UserRole + 1;

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

T_accountslist::T_accountslist(app::TWizardApplication& app) : QWidget(nullptr), App(app) {
    app::SetUpPageForm(this, "T_accountslist");
    lblHeader =
        app::CreatePageHeader(this, QStringLiteral("Auswahl des anzupassenden E-Mail-Kontos"));
    lblContent = app::CreateWrappedLabel(
        this, "lblContent",
        QStringLiteral("Der Assistent hat folgende Quenlix E-Mail-Konten gefunden. Wählen Sie "
                       "das anzupassende Konto oder die Möglichkeit am Ende der Liste, ein neues "
                       "Konto anzulegen und klicken Sie auf «Weiter»"),
        QRect(38, 56, 562, 42));
    lblContent2 = app::CreateWrappedLabel(
        this, "lblContent2",
        QStringLiteral("Der Assistent hat folgende Quenlix E-Mail-Konten gefunden. Wählen Sie "
                       "das anzupassende Konto und klicken Sie auf «Weiter»."),
        QRect(38, 56, 562, 42));

    lvAccounts = new QTreeWidget(this);
    lvAccounts->setObjectName(QStringLiteral("lvAccounts"));
    lvAccounts->setGeometry(38, 105, 566, 189);
    lvAccounts->setColumnCount(3);
    lvAccounts->setHeaderLabels(
        {QStringLiteral("Konto"), QStringLiteral("E-Mail-Adresse"), QStringLiteral("Protokoll")});
    lvAccounts->setColumnWidth(0, 180);
    lvAccounts->setColumnWidth(1, 274);
    lvAccounts->setColumnWidth(2, 65);
    lvAccounts->header()->setStretchLastSection(false);
    lvAccounts->header()->setSectionsClickable(false);
    lvAccounts->header()->setSectionsMovable(false);
    lvAccounts->setRootIsDecorated(false);
    lvAccounts->setItemsExpandable(false);
    lvAccounts->setUniformRowHeights(true);
    lvAccounts->setAllColumnsShowFocus(true);
    lvAccounts->setSelectionMode(QAbstractItemView::SingleSelection);
    lvAccounts->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvAccounts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvAccounts->setIconSize(QSize(16, 16));
    // The selection stays visible when the list does not have the focus.
    QPalette palette = lvAccounts->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    lvAccounts->setPalette(palette);
    connect(lvAccounts, &QTreeWidget::itemSelectionChanged, this,
            &T_accountslist::lvAccountsSelectItem);
    // Clicking the row that is already selected confirms the choice again (after a forward
    // re-entry has disabled Next), although the selection itself does not change.
    connect(lvAccounts, &QTreeWidget::itemPressed, this, &T_accountslist::lvAccountsSelectItem);

    langMain = new lang::TLanguageTable(this, QStringLiteral("T_accountslist"));
    langMain->OnChangeLanguage = [this](lang::TLanguageTable* sender) {
        langMainChangeLanguage(sender);
    };
    FormCreate();
}

T_accountslist::~T_accountslist() = default;

void T_accountslist::FormCreate() {
    wzrdpgAccountsList = app::CreateFormPage(this, App.Main().wzrdcntrlMain, "wzrdpgAccountsList",
                                             QStringLiteral("AccountsList"));
    wzrdpgAccountsList->OnEnter = [this](app::TWizardPage* sender,
                                         app::TWizardDirection direction) {
        AccountsListPageEnter(sender, direction);
    };
}

int T_accountslist::SubItemCount(const QTreeWidgetItem* row) {
    return row != nullptr ? row->data(0, SubItemCountRole).toInt() : 0;
}

QTreeWidgetItem* T_accountslist::AddRow(const QString& caption, int imageIndex,
                                        const QStringList& subItems) {
    auto* row = new QTreeWidgetItem(lvAccounts);
    row->setText(0, caption);
    if (imageIndex >= 0) {
        row->setIcon(0, app::ClientIcon(imageIndex));
    }
    for (qsizetype i = 0; i < subItems.size(); ++i) {
        row->setText(static_cast<int>(i) + 1, subItems[i]);
    }
    row->setData(0, SubItemCountRole, static_cast<int>(subItems.size()));
    // Rows without a text of their own in the other columns (client headers, the new-account
    // row) may use the whole width for their caption.
    row->setFirstColumnSpanned(subItems.size() <= 1 && !caption.isEmpty());
    RowAccounts.append(TRowAccount{});
    return row;
}

bool T_accountslist::IsProviderAddress(const QString& address) {
    const int domain = ProviderDomainIndex(address.toStdString());
    if (domain == 0) {
        PrimaryDomainSeen = true;
    }
    return domain >= 0;
}

int T_accountslist::AddClientGroup(int imageIndex, TMailAccounts* store) {
    if (store == nullptr) {
        return 0;
    }
    // This pass notes the primary domain even when the group is not shown.
    int providerAccounts = 0;
    for (int i = 0; i < store->AccountCount(); ++i) {
        const TMailAccount* account = store->AccountByIndex(i);
        if (account != nullptr && IsProviderAddress(FromUtf8(account->EmailAddress()))) {
            ++providerAccounts;
        }
    }
    if (providerAccounts == 0 || !store->Installed() || store->AccountCount() == 0) {
        return 0;
    }
    AddRow(FromUtf8(store->ClientName()), imageIndex, {});
    int added = 0;
    for (int i = 0; i < store->AccountCount(); ++i) {
        TMailAccount* account = store->AccountByIndex(i);
        if (account == nullptr || !IsProviderAddress(FromUtf8(account->EmailAddress()))) {
            continue;
        }
        const QString address = FromUtf8(account->EmailAddress());
        const QString protocol =
            account->Kind() == AccountKindPOP ? QStringLiteral("POP") : QStringLiteral("IMAP");
        AddRow(FromUtf8(account->AccountName()), -1, {address, protocol});
        RowAccounts.last() = TRowAccount{address, account};
        ++added;
    }
    AddRow(QString(), -1, {});
    return added;
}

int T_accountslist::BuildAccountsList() {
    PrimaryDomainSeen = false;
    lvAccounts->clear();
    RowAccounts.clear();
    T_dm& dm = App.Dm();
    int added = 0;
    added += AddClientGroup(app::ciOutlookExpress, dm.OutlookExpressAccounts.get());
    added += AddClientGroup(app::ciOutlook, dm.Outlook98Accounts.get());
    added += AddClientGroup(app::ciOutlook, dm.OutlookAccounts.get());
    added += AddClientGroup(app::ciWindowsMail, dm.WindowsMailAccounts.get());
    added += AddClientGroup(app::ciWindowsMail, dm.WindowsLiveMailAccounts.get());
    added += AddClientGroup(app::ciThunderbird, dm.ThunderbirdAccounts.get());
    if (PrimaryDomainSeen) {
        AddRow(langMain->GetTranslatedString(QStringLiteral("IDS_16")), app::ciNewAccount,
               {QString()});
    }
    lblContent->setVisible(PrimaryDomainSeen);
    lblContent2->setVisible(!PrimaryDomainSeen);
    return added;
}

QTreeWidgetItem* T_accountslist::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = lvAccounts->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

TMailAccount* T_accountslist::SelectedAccount() const {
    const int index = lvAccounts->indexOfTopLevelItem(SelectedRow());
    return index >= 0 && index < RowAccounts.size() ? RowAccounts[index].Account : nullptr;
}

void T_accountslist::lvAccountsSelectItem() {
    QTreeWidgetItem* row = SelectedRow();
    if (row == nullptr) {
        return;
    }
    if (SubItemCount(row) == 0) {
        lvAccounts->clearSelection(); // client headers and group ends cannot be chosen
        row = SelectedRow();
    }
    wzrdpgAccountsList->SetNextEnabled(row != nullptr);
    if (row != nullptr) {
        App.AccountType().wzrdpgAccountType->SetEnabled(row->text(1).isEmpty());
    }
}

void T_accountslist::AccountsListPageEnter(app::TWizardPage*, app::TWizardDirection direction) {
    if (direction == app::wdNext) {
        wzrdpgAccountsList->SetNextEnabled(false);
    }
}

void T_accountslist::langMainChangeLanguage(lang::TLanguageTable*) {
    const int count = lvAccounts->topLevelItemCount();
    if (count > 0 && SubItemCount(lvAccounts->topLevelItem(count - 1)) >= 1) {
        lvAccounts->topLevelItem(count - 1)->setText(
            0, langMain->GetTranslatedString(QStringLiteral("IDS_16")));
    }
}
