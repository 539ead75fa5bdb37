#pragma once
// The rows of one form's language table, section by section, and their stored text form.
//
// Stored form (UTF-8, compiled in as a resource): a line "[stCaptions]" starts a section; every
// other non-empty line is a row "key<TAB>German<TAB>English<TAB>Italian<TAB>French". In keys
// and cells "\n" stands for a line break, "\t" for a tab and "\\" for a backslash. Cells
// missing at the end of a line are empty. Lines starting with "#" are comments.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <stdexcept>

namespace lang {

enum TSectionType {
    stCaptions,
    stHints,
    stDisplayLabels,
    stFonts,
    stMultiLines,
    stDlgsCaptions,
    stStrings,
    stOtherStrings,
    stLocales,
    stCollections,
    stCharSets,
};
inline constexpr int SectionCount = stCharSets + 1;

QString SectionName(TSectionType aSection);

class ELanguageTableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TLanguageRow {
    QString Key;
    QStringList Cells; // one per language, in language order

    // 1-based language number; empty for a missing cell.
    QString Cell(int aLanguage) const;
};

class TLanguageTableContent {
public:
    const QList<TLanguageRow>& Rows(TSectionType aSection) const { return FSections[aSection]; }
    void AddRow(TSectionType aSection, TLanguageRow aRow);
    // Key compared without regard to case; nullptr when absent.
    const TLanguageRow* FindRow(TSectionType aSection, const QString& aKey) const;
    bool IsEmpty() const;

private:
    std::array<QList<TLanguageRow>, SectionCount> FSections;
};

// Throws ELanguageTableError for an unknown section or a row outside any section.
TLanguageTableContent ParseLanguageTable(const QString& aText);
// The stored bytes (UTF-8) of a table file; the error names the file and the line.
TLanguageTableContent ParseLanguageTableFile(const QByteArray& aBytes, const QString& aFileName);
// The compiled-in table of a form ("T_main", "T_welcome" ...); empty for an unknown form.
TLanguageTableContent LoadLanguageTable(const QString& aFormName);
// The forms that have a compiled-in table, in creation order.
QStringList LanguageTableForms();

// Multi-line texts are kept as comma-separated, double-quoted items ("a","b c" or a,"b c");
// a doubled quote inside quotes stands for one quote.
QStringList DecodeMultiLine(const QString& aCommaText);
QString EncodeMultiLine(const QStringList& aLines);

} // namespace lang
