#include "lang/LanguageTable.h"

#include "lang/LanguageDispatcher.h"
#include "lang/LanguageTableApply.h"

#include <QWidget>

namespace lang {

namespace {

QString ExclusionKey(TSectionType aSection, const QString& aKey) {
    return QString::number(aSection) + u'|' + aKey.toLower();
}

// The component part of "component", "component.property" or "component.items[i].property".
QString ComponentOf(const QString& aKey) {
    return aKey.section(u'.', 0, 0);
}

const QStringList PageForms = {"T_welcome",  "T_accountslist", "T_accounttype",
                               "T_userdata", "T_setup",        "T_finished"};
const QStringList PageObjects = {"wizardpgWelcome", "wzrdpgAccountsList", "wzrdpgAccountType",
                                 "wzrdpgUserData",  "wzrdpgSetup",        "wzrdpgFinished"};

} // namespace

TLanguageTable::TLanguageTable(QWidget* aForm, const QString& aFormName)
    : TLanguageTable(aForm, aFormName, LoadLanguageTable(aFormName)) {}

TLanguageTable::TLanguageTable(QWidget* aForm, const QString& aFormName,
                               TLanguageTableContent aContent)
    : QObject(aForm), FForm(aForm), FFormName(aFormName), FContent(std::move(aContent)) {
    setObjectName(QStringLiteral("langMain"));
    AddBuiltInExclusions();
}

TLanguageTable::~TLanguageTable() {
    if (FDispatcher != nullptr) {
        FDispatcher->DetachTable(this);
    }
}

void TLanguageTable::AddBuiltInExclusions() {
    // Texts that code sets (product names, the provider's domain, version) or that are the
    // same in every language stay as they are.
    if (FFormName == QLatin1String("T_main")) {
        for (const char* name : {"lblLanguageDE", "lblSpace1", "lblLanguageFR", "lblSP2",
                                 "lblLanguageIT", "panelButtons", "panelMain"}) {
            AddExclusion(stCaptions, QString::fromLatin1(name));
        }
        AddExcludedComponent(QStringLiteral("wzrdcntrlMain"));
    }
    const int page = PageForms.indexOf(FFormName);
    if (page >= 0) {
        AddExclusion(stCaptions, FFormName);
        AddExcludedComponent(PageObjects[page]);
    }
    if (FFormName == QLatin1String("T_welcome")) {
        AddExclusion(stFonts, FFormName);
        AddExclusion(stCharSets, FFormName);
    } else if (FFormName == QLatin1String("T_accountslist")) {
        AddExclusion(stFonts, FFormName);
    } else if (FFormName == QLatin1String("T_accounttype")) {
        for (const char* name : {"rbOutlookExpress", "rbOfficeOutlook", "rbWindowsMail"}) {
            AddExclusion(stCaptions, QString::fromLatin1(name));
        }
    } else if (FFormName == QLatin1String("T_userdata")) {
        AddExclusion(stCaptions, QStringLiteral("lblDomain"));
    } else if (FFormName == QLatin1String("T_setup")) {
        AddExclusion(stOtherStrings, QStringLiteral("progressSetup.Version"));
        AddExclusion(stMultiLines, QStringLiteral("progressSetup.Version"));
    }
}

void TLanguageTable::AddExclusion(TSectionType aSection, const QString& aKey) {
    FExcluded.insert(ExclusionKey(aSection, aKey));
}

void TLanguageTable::AddExcludedComponent(const QString& aComponent) {
    FExcludedComponents.insert(aComponent.toLower());
}

bool TLanguageTable::IsExcluded(TSectionType aSection, const QString& aKey) const {
    return FExcludedComponents.contains(ComponentOf(aKey).toLower()) ||
           FExcluded.contains(ExclusionKey(aSection, aKey));
}

void TLanguageTable::SetActiveLanguage(int aLanguage) {
    if (aLanguage == FActiveLanguage || aLanguage < 1) {
        return;
    }
    FActiveLanguage = aLanguage;
    Apply();
    if (OnChangeLanguage) {
        OnChangeLanguage(this);
    }
}

QString TLanguageTable::GetTranslatedString(const QString& aKey) const {
    const TLanguageRow* row = FContent.FindRow(stStrings, aKey);
    if (row == nullptr) {
        return {};
    }
    const QString text = row->Cell(FActiveLanguage);
    return text.isEmpty() ? row->Cell(lgGerman) : text;
}

QString TLanguageTable::DialogCaption(const QString& aKey) const {
    const TLanguageRow* row = FContent.FindRow(stDlgsCaptions, aKey);
    if (row == nullptr) {
        return aKey;
    }
    const QString text = row->Cell(FActiveLanguage);
    return text.isEmpty() ? row->Cell(lgGerman) : text;
}

QObject* TLanguageTable::Component(const QString& aName) const {
    if (FForm == nullptr) {
        return nullptr;
    }
    if (aName.compare(FFormName, Qt::CaseInsensitive) == 0) {
        return FForm;
    }
    if (QObject* exact = FForm->findChild<QObject*>(aName)) {
        return exact;
    }
    // Component names compare without regard to case, as the form designer treats them.
    const QList<QObject*> all = FForm->findChildren<QObject*>();
    for (QObject* child : all) {
        if (child->objectName().compare(aName, Qt::CaseInsensitive) == 0) {
            return child;
        }
    }
    return nullptr;
}

void TLanguageTable::ApplyRow(TSectionType aSection, const TLanguageRow& aRow) {
    const QString value = aRow.Cell(FActiveLanguage);
    if (value.isEmpty() || IsExcluded(aSection, aRow.Key)) {
        return; // an empty cell keeps whatever the last language with a value set
    }
    const bool isForm = aRow.Key.compare(FFormName, Qt::CaseInsensitive) == 0;
    QObject* target = Component(ComponentOf(aRow.Key));
    if (target == nullptr) {
        return;
    }
    switch (aSection) {
    case stCaptions:
        SetCaption(target, value, isForm);
        break;
    case stHints:
        SetHint(target, value);
        break;
    case stFonts:
        SetFontName(target, value);
        break;
    case stCharSets:
        SetCharSet(target, value);
        break;
    case stMultiLines:
        SetTextProperty(target, aRow.Key.section(u'.', 1), DecodeMultiLine(value).join(u'\n'));
        break;
    case stOtherStrings:
        SetTextProperty(target, aRow.Key.section(u'.', 1), value);
        break;
    case stCollections:
        SetCollectionItem(target, aRow.Key.section(u'.', 1), value);
        break;
    default:
        break; // display labels, locales and dialog captions name no component
    }
}

void TLanguageTable::ApplySection(TSectionType aSection, bool aSkipForm) {
    for (const TLanguageRow& row : FContent.Rows(aSection)) {
        if (aSkipForm && row.Key.compare(FFormName, Qt::CaseInsensitive) == 0) {
            continue;
        }
        ApplyRow(aSection, row);
        if (aSection == stFonts) {
            if (const TLanguageRow* charset = FContent.FindRow(stCharSets, row.Key)) {
                ApplyRow(stCharSets, *charset);
            }
        }
    }
}

void TLanguageTable::Apply() {
    if (const TLanguageRow* formRow = FContent.FindRow(stCaptions, FFormName)) {
        ApplyRow(stCaptions, *formRow);
    }
    ApplySection(stCaptions, true);
    ApplySection(stHints, false);
    ApplySection(stDisplayLabels, false);
    ApplySection(stFonts, false);
    ApplySection(stMultiLines, false);
    ApplySection(stOtherStrings, false);
    ApplySection(stCollections, false);
}

QString GetTranslatedString(const TLanguageTable& aTable, const QString& aKey) {
    return aTable.GetTranslatedString(aKey);
}

} // namespace lang
