#pragma once
// One form's language table (`langMain`): applies the rows of the active language to the form's
// components, found by object name, and answers translated strings and dialog captions.

#include "lang/LanguageDispatcher.h"
#include "lang/LanguageTableContent.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>

#include <functional>

namespace lang {

class TLanguageTable : public QObject {
    Q_OBJECT
public:
    // Loads the compiled-in table of aFormName ("T_main" ...). aForm owns the table; a row
    // whose key is aFormName applies to aForm itself. Starts at language 1, the design language.
    TLanguageTable(QWidget* aForm, const QString& aFormName);
    TLanguageTable(QWidget* aForm, const QString& aFormName, TLanguageTableContent aContent);
    ~TLanguageTable() override;

    QWidget* Form() const { return FForm; }
    QString FormName() const { return FFormName; }
    const TLanguageTableContent& Content() const { return FContent; }
    TLanguageDispatcher* LanguageDispatcher() const { return FDispatcher; }

    int ActiveLanguage() const { return FActiveLanguage; }
    // Applies the table when the language changes, then runs OnChangeLanguage.
    void SetActiveLanguage(int aLanguage);

    // Runs after the table has been applied (the form's `langMainChangeLanguage`).
    std::function<void(TLanguageTable* aSender)> OnChangeLanguage;

    // stStrings row of the active language; German when that cell is empty; empty when unknown.
    QString GetTranslatedString(const QString& aKey) const;
    // stDlgsCaptions row ("Confirm", "Yes" ...) of the active language, German when empty;
    // the key itself when the table has no such row.
    QString DialogCaption(const QString& aKey) const;

    // Rows never applied, whatever the table holds. The built-in ones of the form are set by
    // the constructor. A key of stMultiLines, stOtherStrings or stCollections is the whole
    // "component.property" key.
    void AddExclusion(TSectionType aSection, const QString& aKey);
    // Every row of this component, in every section.
    void AddExcludedComponent(const QString& aComponent);
    bool IsExcluded(TSectionType aSection, const QString& aKey) const;

private:
    friend class TLanguageDispatcher;
    void Apply();
    void ApplySection(TSectionType aSection, bool aSkipForm);
    void ApplyRow(TSectionType aSection, const TLanguageRow& aRow);
    QObject* Component(const QString& aName) const;
    void AddBuiltInExclusions();

    QPointer<QWidget> FForm;
    QString FFormName;
    TLanguageTableContent FContent;
    QPointer<TLanguageDispatcher> FDispatcher;
    int FActiveLanguage = 1;
    QSet<QString> FExcluded;           // "<section>|<lower-case key>"
    QSet<QString> FExcludedComponents; // lower-case component names
};

QString GetTranslatedString(const TLanguageTable& aTable, const QString& aKey);

} // namespace lang
