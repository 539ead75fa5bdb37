#include "lang/LanguageTableContent.h"

#include <QFile>

// Resources of a static library must be registered by name before their first use.
static void InitLanguageTableResources() {
    Q_INIT_RESOURCE(tables);
}

namespace lang {

namespace {

const char* const SectionNames[SectionCount] = {
    "stCaptions",   "stHints",        "stDisplayLabels", "stFonts",
    "stMultiLines", "stDlgsCaptions", "stStrings",       "stOtherStrings",
    "stLocales",    "stCollections",  "stCharSets",
};

QString Unescape(const QString& aText, int aLineNumber) {
    QString result;
    result.reserve(aText.size());
    for (int i = 0; i < aText.size(); ++i) {
        const QChar c = aText[i];
        if (c != u'\\') {
            result += c;
            continue;
        }
        if (i + 1 >= aText.size()) {
            throw ELanguageTableError("language table line " + std::to_string(aLineNumber) +
                                      ": backslash at the end of the line");
        }
        const QChar next = aText[++i];
        if (next == u'n') {
            result += u'\n';
        } else if (next == u't') {
            result += u'\t';
        } else if (next == u'\\') {
            result += u'\\';
        } else {
            throw ELanguageTableError("language table line " + std::to_string(aLineNumber) +
                                      ": unknown escape");
        }
    }
    return result;
}

} // namespace

QString SectionName(TSectionType aSection) {
    return QString::fromLatin1(SectionNames[aSection]);
}

QString TLanguageRow::Cell(int aLanguage) const {
    return aLanguage >= 1 && aLanguage <= Cells.size() ? Cells[aLanguage - 1] : QString();
}

void TLanguageTableContent::AddRow(TSectionType aSection, TLanguageRow aRow) {
    FSections[aSection].append(std::move(aRow));
}

const TLanguageRow* TLanguageTableContent::FindRow(TSectionType aSection,
                                                   const QString& aKey) const {
    for (const TLanguageRow& row : FSections[aSection]) {
        if (row.Key.compare(aKey, Qt::CaseInsensitive) == 0) {
            return &row;
        }
    }
    return nullptr;
}

bool TLanguageTableContent::IsEmpty() const {
    return std::all_of(FSections.begin(), FSections.end(),
                       [](const QList<TLanguageRow>& rows) { return rows.isEmpty(); });
}

TLanguageTableContent ParseLanguageTable(const QString& aText) {
    TLanguageTableContent content;
    int section = -1;
    const QStringList lines = aText.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = line.mid(1, line.size() - 2);
            section = -1;
            for (int s = 0; s < SectionCount; ++s) {
                if (name == QLatin1String(SectionNames[s])) {
                    section = s;
                }
            }
            if (section < 0) {
                throw ELanguageTableError("language table line " + std::to_string(i + 1) +
                                          ": unknown section " + name.toStdString());
            }
            continue;
        }
        if (section < 0) {
            throw ELanguageTableError("language table line " + std::to_string(i + 1) +
                                      ": row outside a section");
        }
        const QStringList fields = line.split(u'\t');
        TLanguageRow row;
        row.Key = Unescape(fields[0], i + 1);
        for (int f = 1; f < fields.size(); ++f) {
            row.Cells.append(Unescape(fields[f], i + 1));
        }
        content.AddRow(static_cast<TSectionType>(section), std::move(row));
    }
    return content;
}

TLanguageTableContent ParseLanguageTableFile(const QByteArray& aBytes, const QString& aFileName) {
    try {
        return ParseLanguageTable(QString::fromUtf8(aBytes));
    } catch (const ELanguageTableError& error) {
        throw ELanguageTableError(aFileName.toStdString() + ", " + error.what());
    }
}

QStringList LanguageTableForms() {
    return {"T_main",     "T_welcome", "T_accountslist", "T_accounttype",
            "T_userdata", "T_setup",   "T_finished",     "T_closedialog"};
}

TLanguageTableContent LoadLanguageTable(const QString& aFormName) {
    InitLanguageTableResources();
    QFile file(QStringLiteral(":/lang/tables/%1.lang").arg(aFormName));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return ParseLanguageTableFile(file.readAll(), aFormName + ".lang");
}

QStringList DecodeMultiLine(const QString& aCommaText) {
    QStringList lines;
    int i = 0;
    const int n = aCommaText.size();
    while (i < n) {
        QString item;
        if (aCommaText[i] == u'"') {
            ++i;
            while (i < n) {
                if (aCommaText[i] == u'"') {
                    if (i + 1 < n && aCommaText[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += aCommaText[i++];
            }
            // Anything after the closing quote up to the separator belongs to the item.
            while (i < n && aCommaText[i] != u',') {
                item += aCommaText[i++];
            }
        } else {
            while (i < n && aCommaText[i] != u',') {
                item += aCommaText[i++];
            }
        }
        lines.append(item);
        if (i < n && aCommaText[i] == u',') {
            ++i;
            if (i == n) {
                lines.append(QString()); // a trailing separator ends with an empty line
            }
        }
    }
    return lines;
}

QString EncodeMultiLine(const QStringList& aLines) {
    QStringList quoted;
    for (QString line : aLines) {
        line.replace(u'"', QStringLiteral("\"\""));
        quoted.append(u'"' + line + u'"');
    }
    return quoted.join(u',');
}

} // namespace lang
