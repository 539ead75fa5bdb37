// Every caption of every page and dialog, in all four languages, with the fonts the forms are
// drawn with: no text may be cut by its control, run out of its page or group, or run under an
// input control beside it.
#include "AppFixture.h"
#include "app/FormStyle.h"
#include "app/close.h"
#include "lang/LanguageDispatcher.h"
#include "lang/LanguageTable.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTreeWidget>

#include <string>
#include <vector>

using namespace app_testing;

namespace {

QString Plain(QString aText) {
    return aText.remove(u'&');
}

std::string Name(const QWidget* aWidget) {
    return aWidget->window()->objectName().toStdString() + "." +
           aWidget->objectName().toStdString() + " \"" +
           aWidget->property("text").toString().toStdString() + "\"";
}

bool IsInput(const QWidget* aWidget) {
    return qobject_cast<const QLineEdit*>(aWidget) != nullptr ||
           qobject_cast<const QAbstractButton*>(aWidget) != nullptr ||
           qobject_cast<const QAbstractItemView*>(aWidget) != nullptr;
}

class TextFitTest : public TAppFixture {
protected:
    // Problems found, one line each.
    std::vector<std::string> Problems;

    void Report(const QWidget* aWidget, const std::string& aWhat, const std::string& aLanguage) {
        Problems.push_back(aLanguage + ": " + Name(aWidget) + ": " + aWhat);
    }

    void CheckLabel(const QLabel* aLabel, const std::string& aLanguage) {
        if (aLabel->text().isEmpty() || !aLabel->pixmap().isNull()) {
            return;
        }
        if (aLabel->wordWrap()) {
            if (aLabel->heightForWidth(aLabel->width()) > aLabel->height()) {
                Report(aLabel, "needs more lines than its height holds", aLanguage);
            }
        } else if (aLabel->sizeHint().width() > aLabel->width()) {
            Report(aLabel, "wider than the label", aLanguage);
        }
    }

    void CheckButton(const QAbstractButton* aButton, const std::string& aLanguage) {
        QStyleOptionButton option;
        option.initFrom(aButton);
        option.text = aButton->text();
        QStyle::SubElement contents = QStyle::SE_PushButtonContents;
        if (qobject_cast<const QCheckBox*>(aButton) != nullptr) {
            contents = QStyle::SE_CheckBoxContents;
        } else if (qobject_cast<const QRadioButton*>(aButton) != nullptr) {
            contents = QStyle::SE_RadioButtonContents;
        }
        const QRect room = aButton->style()->subElementRect(contents, &option, aButton);
        if (aButton->fontMetrics().horizontalAdvance(Plain(aButton->text())) > room.width()) {
            Report(aButton, "cut by its control", aLanguage);
        }
    }

    // The text's control stays inside its parent and off the input controls beside it.
    void CheckPlace(const QWidget* aWidget, const std::string& aLanguage) {
        const QWidget* parent = aWidget->parentWidget();
        if (parent == nullptr || aWidget->isWindow()) {
            return;
        }
        if (!parent->rect().contains(aWidget->geometry())) {
            Report(aWidget, "runs out of " + parent->objectName().toStdString(), aLanguage);
        }
        if (qobject_cast<const QLabel*>(aWidget) == nullptr) {
            return;
        }
        const QRect text(aWidget->pos(), aWidget->sizeHint().boundedTo(aWidget->size()));
        for (const QObject* child : parent->children()) {
            const auto* sibling = qobject_cast<const QWidget*>(child);
            if (sibling != nullptr && sibling != aWidget && IsInput(sibling) &&
                !sibling->isHidden() && sibling->geometry().intersects(text)) {
                Report(aWidget, "runs under " + sibling->objectName().toStdString(), aLanguage);
            }
        }
    }

    void CheckForm(const QWidget* aForm, const std::string& aLanguage) {
        for (const QWidget* widget : aForm->findChildren<QWidget*>()) {
            if (const auto* label = qobject_cast<const QLabel*>(widget)) {
                CheckLabel(label, aLanguage);
                CheckPlace(widget, aLanguage);
            } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
                CheckButton(button, aLanguage);
                CheckPlace(widget, aLanguage);
            } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
                if (group->fontMetrics().horizontalAdvance(group->title()) + 16 > group->width()) {
                    Report(group, "title wider than the group", aLanguage);
                }
            } else if (const auto* tree = qobject_cast<const QTreeWidget*>(widget)) {
                for (int column = 0; column < tree->columnCount(); ++column) {
                    const QString caption = tree->headerItem()->text(column);
                    if (tree->header()->fontMetrics().horizontalAdvance(caption) + 8 >
                        tree->header()->sectionSize(column)) {
                        Report(tree, "column caption cut: " + caption.toStdString(), aLanguage);
                    }
                }
            }
        }
    }

    // Texts the code puts into a control: each string row of the language in turn.
    void CheckStrings(QLabel* aLabel, const lang::TLanguageTable& aTable, const QStringList& aKeys,
                      const std::string& aLanguage) {
        const QString kept = aLabel->text();
        for (const QString& key : aKeys) {
            aLabel->setText(aTable.GetTranslatedString(key));
            CheckLabel(aLabel, aLanguage + " " + key.toStdString());
        }
        aLabel->setText(kept);
    }
};

TEST_F(TextFitTest, EveryCaptionFitsInEveryLanguage) {
    Launch();
    // The forms were laid out for these faces; with others the check means little.
    EXPECT_EQ(QFontInfo(app::FormFont()).family(), "Tahoma")
        << "the forms' face is not installed: run scripts/ensure-deps";
    EXPECT_EQ(QFontInfo(app::DesignFont(QStringLiteral("Arial"), 17, true)).family(),
              "Liberation Sans")
        << "the header face is not installed: run scripts/ensure-deps";

    const std::vector<const QWidget*> forms = {
        &Main(),     &App().Welcome(), &AccountsList(),   &AccountType(),
        &UserData(), &App().Setup(),   &App().Finished(), &App().CloseDialog()};
    for (int language : {lang::lgGerman, lang::lgEnglish, lang::lgItalian, lang::lgFrench}) {
        Dm().langDispMain->SetActiveLanguage(language);
        const std::string name = std::to_string(language);
        for (const QWidget* form : forms) {
            CheckForm(form, name);
        }
        T_setup& setup = App().Setup();
        CheckStrings(setup.lblVerify, *setup.langMain,
                     {QStringLiteral("IDS_1"), QStringLiteral("IDS_2"),
                      QString::fromLatin1(T_setup::NoTargetKey),
                      QString::fromLatin1(T_setup::NoProfileKey),
                      QString::fromLatin1(T_setup::NotSavedKey)},
                     name);
        // The finished page's caption of the Cancel button.
        QPushButton* cancel = Main().btnAbbort;
        const QString kept = cancel->text();
        cancel->setText(App().Finished().langMain->GetTranslatedString(QStringLiteral("IDS_0")));
        CheckButton(cancel, name + " IDS_0");
        cancel->setText(kept);
    }
    std::string all;
    for (const std::string& problem : Problems) {
        all += problem + "\n";
    }
    EXPECT_TRUE(Problems.empty()) << all;
}

} // namespace
