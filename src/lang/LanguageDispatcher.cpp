#include "lang/LanguageDispatcher.h"

#include "lang/LanguageTable.h"

namespace lang {

TLanguageDispatcher::TLanguageDispatcher(QObject* aOwner)
    : QObject(aOwner), FLanguages{"German", "English", "Italian", "French"} {
    setObjectName(QStringLiteral("langDispMain"));
}

QString TLanguageDispatcher::LanguageName(int aLanguage) const {
    return aLanguage >= 1 && aLanguage <= LanguageCount() ? FLanguages[aLanguage - 1] : QString();
}

void TLanguageDispatcher::SetActiveLanguage(int aLanguage) {
    if (aLanguage == FActiveLanguage || aLanguage < 1 || aLanguage > LanguageCount()) {
        return;
    }
    FActiveLanguage = aLanguage;
    // A handler may open or close forms; work on a snapshot of the attachment order.
    const QList<TLanguageTable*> tables = Tables();
    for (TLanguageTable* table : tables) {
        if (FTables.contains(table)) {
            table->SetActiveLanguage(aLanguage);
        }
    }
}

void TLanguageDispatcher::AttachTable(TLanguageTable* aTable) {
    if (aTable == nullptr || FTables.contains(aTable)) {
        return;
    }
    if (aTable->FDispatcher != nullptr) {
        aTable->FDispatcher->DetachTable(aTable);
    }
    FTables.append(aTable);
    aTable->FDispatcher = this;
    aTable->SetActiveLanguage(FActiveLanguage);
}

void TLanguageDispatcher::DetachTable(TLanguageTable* aTable) {
    FTables.removeAll(aTable);
    if (aTable != nullptr && aTable->FDispatcher == this) {
        aTable->FDispatcher = nullptr;
    }
}

QList<TLanguageTable*> TLanguageDispatcher::Tables() const {
    QList<TLanguageTable*> tables;
    for (const QPointer<TLanguageTable>& table : FTables) {
        if (table != nullptr) {
            tables.append(table);
        }
    }
    return tables;
}

} // namespace lang
