#pragma once
// The language dispatcher (`langDispMain`): holds the active language and switches every
// attached table, in attachment order.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

namespace lang {

class TLanguageTable;

enum TLanguage { lgGerman = 1, lgEnglish = 2, lgItalian = 3, lgFrench = 4 };

class TLanguageDispatcher : public QObject {
    Q_OBJECT
public:
    explicit TLanguageDispatcher(QObject* aOwner = nullptr);

    int LanguageCount() const { return static_cast<int>(FLanguages.size()); }
    // "German", "English", "Italian", "French"
    const QStringList& Languages() const { return FLanguages; }
    QString LanguageName(int aLanguage) const; // 1-based; empty when out of range

    int ActiveLanguage() const { return FActiveLanguage; }
    // Ignored when unchanged or out of range; otherwise every attached table follows in
    // attachment order (each table runs its change handler after itself).
    void SetActiveLanguage(int aLanguage);

    // Appends the table (once) and gives it the active language at once.
    void AttachTable(TLanguageTable* aTable);
    void DetachTable(TLanguageTable* aTable);
    QList<TLanguageTable*> Tables() const;

private:
    QStringList FLanguages;
    int FActiveLanguage = lgGerman;
    QList<QPointer<TLanguageTable>> FTables;
};

} // namespace lang
