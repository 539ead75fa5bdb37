#include "lang/LanguageTableApply.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVariant>

namespace lang {

namespace {

bool SetQtProperty(QObject* aTarget, const QString& aName, const QString& aText) {
    const QMetaObject* meta = aTarget->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (QString::fromLatin1(property.name()).compare(aName, Qt::CaseInsensitive) == 0 &&
            property.isWritable()) {
            return property.write(aTarget, aText);
        }
    }
    return false;
}

bool SetPlainText(QObject* aTarget, const QString& aText) {
    if (auto* label = qobject_cast<QLabel*>(aTarget)) {
        label->setText(aText);
    } else if (auto* button = qobject_cast<QAbstractButton*>(aTarget)) {
        button->setText(aText);
    } else if (auto* group = qobject_cast<QGroupBox*>(aTarget)) {
        group->setTitle(aText);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(aTarget)) {
        plain->setPlainText(aText);
    } else if (auto* edit = qobject_cast<QTextEdit*>(aTarget)) {
        edit->setPlainText(aText);
    } else {
        return SetQtProperty(aTarget, QStringLiteral("text"), aText);
    }
    return true;
}

} // namespace

void SetCaption(QObject* aTarget, const QString& aText, bool aIsForm) {
    auto* widget = qobject_cast<QWidget*>(aTarget);
    if (aIsForm && widget != nullptr) {
        widget->setWindowTitle(aText);
        return;
    }
    SetPlainText(aTarget, aText);
}

void SetHint(QObject* aTarget, const QString& aText) {
    if (auto* widget = qobject_cast<QWidget*>(aTarget)) {
        widget->setToolTip(aText);
    }
}

void SetFontName(QObject* aTarget, const QString& aFamily) {
    if (auto* widget = qobject_cast<QWidget*>(aTarget)) {
        QFont font = widget->font();
        font.setFamily(aFamily);
        widget->setFont(font);
    }
}

bool IsKnownCharSet(const QString& aCharSet) {
    static const QStringList known = {
        "ANSI_CHARSET",        "DEFAULT_CHARSET",    "SYMBOL_CHARSET",  "MAC_CHARSET",
        "SHIFTJIS_CHARSET",    "HANGEUL_CHARSET",    "JOHAB_CHARSET",   "GB2312_CHARSET",
        "CHINESEBIG5_CHARSET", "GREEK_CHARSET",      "TURKISH_CHARSET", "VIETNAMESE_CHARSET",
        "HEBREW_CHARSET",      "ARABIC_CHARSET",     "BALTIC_CHARSET",  "RUSSIAN_CHARSET",
        "THAI_CHARSET",        "EASTEUROPE_CHARSET", "OEM_CHARSET"};
    return known.contains(aCharSet, Qt::CaseInsensitive);
}

void SetCharSet(QObject* aTarget, const QString& aCharSet) {
    if (IsKnownCharSet(aCharSet)) {
        aTarget->setProperty("charset", aCharSet.toUpper());
    }
}

void SetTextProperty(QObject* aTarget, const QString& aProperty, const QString& aText) {
    if (aProperty.compare(QLatin1String("HTMLText"), Qt::CaseInsensitive) == 0) {
        if (auto* label = qobject_cast<QLabel*>(aTarget)) {
            label->setTextFormat(Qt::RichText);
            label->setText(aText);
            return;
        }
    }
    for (const char* name : {"Caption", "Text", "Lines"}) {
        if (aProperty.compare(QLatin1String(name), Qt::CaseInsensitive) == 0 &&
            SetPlainText(aTarget, aText)) {
            return;
        }
    }
    SetQtProperty(aTarget, aProperty, aText);
}

void SetCollectionItem(QObject* aTarget, const QString& aItemPath, const QString& aText) {
    static const QRegularExpression column(QStringLiteral("^Columns\\[(\\d+)\\]\\.Caption$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = column.match(aItemPath);
    if (!match.hasMatch()) {
        return;
    }
    const int index = match.captured(1).toInt();
    if (auto* tree = qobject_cast<QTreeWidget*>(aTarget)) {
        if (index < tree->columnCount()) {
            tree->headerItem()->setText(index, aText);
        }
    } else if (auto* table = qobject_cast<QTableWidget*>(aTarget)) {
        if (index < table->columnCount()) {
            QTableWidgetItem* item = table->horizontalHeaderItem(index);
            if (item == nullptr) {
                table->setHorizontalHeaderItem(index, new QTableWidgetItem(aText));
            } else {
                item->setText(aText);
            }
        }
    }
}

} // namespace lang
