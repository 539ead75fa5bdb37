#pragma once
// Setting translated values on Qt widgets: the toolkit side of a language table.

#include <QString>

class QObject;

namespace lang {

// Label and button text, group-box title; the form itself (aIsForm) gets its window title.
void SetCaption(QObject* aTarget, const QString& aText, bool aIsForm);
void SetHint(QObject* aTarget, const QString& aText);
void SetFontName(QObject* aTarget, const QString& aFamily);
// Qt fonts have no character set: a known Windows character-set name is kept in the dynamic
// property "charset"; an unknown name changes nothing.
void SetCharSet(QObject* aTarget, const QString& aCharSet);
bool IsKnownCharSet(const QString& aCharSet);
// "HTMLText" sets rich text on a label; "Caption", "Text" and "Lines" set the plain text;
// any other name sets the Qt property of that name when the component has one.
void SetTextProperty(QObject* aTarget, const QString& aProperty, const QString& aText);
// "Columns[i].Caption": the header text of column i of a tree or table widget.
void SetCollectionItem(QObject* aTarget, const QString& aItemPath, const QString& aText);

} // namespace lang
