// Language tables: any text gives rows or a table error naming the line, and a multi-line
// text encoded from what was decoded decodes to the same lines.

#include "FormatTarget.h"

#include "lang/LanguageTableContent.h"

namespace {

void Fuzz(std::string_view input) {
    const QByteArray bytes(input.data(), static_cast<qsizetype>(input.size()));
    try {
        (void)lang::ParseLanguageTableFile(bytes, "fuzz.lang");
    } catch (const lang::ELanguageTableError&) {
    }
    const QStringList lines = lang::DecodeMultiLine(QString::fromUtf8(bytes));
    const QStringList again = lang::DecodeMultiLine(lang::EncodeMultiLine(lines));
    harness::Require(again == lines, "a multi-line text does not decode back to its lines");
}

QString Visible(QString text) {
    return text.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'\n', QStringLiteral("\\n"))
        .replace(u'\t', QStringLiteral("\\t"))
        .replace(u'\r', QStringLiteral("\\r"));
}

// One line per row: "[section] key | cell | cell ...", line breaks and tabs shown escaped.
std::string Describe(const std::string& bytes, const std::string& fileName) {
    lang::TLanguageTableContent content;
    try {
        content = lang::ParseLanguageTableFile(
            QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
            QString::fromStdString(fileName));
    } catch (const lang::ELanguageTableError& error) {
        return std::string("error: ") + error.what();
    }
    QString out;
    for (int s = 0; s < lang::SectionCount; ++s) {
        const auto section = static_cast<lang::TSectionType>(s);
        for (const lang::TLanguageRow& row : content.Rows(section)) {
            out += QStringLiteral("[") + lang::SectionName(section) + QStringLiteral("] ") +
                   Visible(row.Key);
            for (const QString& cell : row.Cells) {
                out += QStringLiteral(" | ") + Visible(cell);
            }
            out += u'\n';
        }
    }
    return out.toStdString();
}

const harness::TRegistration Registered{{"language_table", ".lang", &Fuzz, &Describe}};

} // namespace
