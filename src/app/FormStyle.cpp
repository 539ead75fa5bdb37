#include "app/FormStyle.h"

#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace app {

namespace {

constexpr const char* AutoSizeProperty = "quenlixAutoSize";

bool IsBlankOrControl(QChar aChar) {
    return aChar.unicode() <= 0x20 || aChar.category() == QChar::Other_Control;
}

} // namespace

void InstallFontSubstitutes() {
    // Where a face is missing, its metric-compatible stand-in first (Liberation Sans and Arimo
    // have Arial's widths; Tahoma, the dialog face of later Windows versions, has nearly MS
    // Sans Serif's), then narrow faces common on Linux. scripts/ensure-deps installs the first
    // of each list.
    const QStringList narrowFallbacks = {QStringLiteral("DejaVu Sans Condensed"),
                                         QStringLiteral("DejaVu Sans")};
    const struct {
        const char* Face;
        QStringList StandIns;
    } faces[] = {
        {"MS Sans Serif", QStringList{QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                                      QStringLiteral("Arimo")} +
                              narrowFallbacks},
        {"Tahoma", narrowFallbacks},
        {"Arial",
         QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")} + narrowFallbacks},
    };
    for (const auto& face : faces) {
        const QString name = QString::fromLatin1(face.Face);
        if (QFont::substitutes(name).isEmpty()) {
            QFont::insertSubstitutions(name, face.StandIns);
        }
    }
}

QFont DesignFont(const QString& aFamily, int aPixelHeight, bool aBold, bool aItalic) {
    QFont font(aFamily);
    font.setPixelSize(aPixelHeight);
    font.setBold(aBold);
    font.setItalic(aItalic);
    return font;
}

QFont FormFont() {
    return DesignFont(QStringLiteral("MS Sans Serif"), 11);
}

void SetUpPageForm(QWidget* aForm, const char* aFormName) {
    aForm->setObjectName(QString::fromLatin1(aFormName));
    aForm->setFont(FormFont());
    QPalette palette = aForm->palette();
    palette.setColor(QPalette::Window, Qt::white);
    aForm->setPalette(palette);
    aForm->setAutoFillBackground(true);
    aForm->resize(640, 312);
}

QLabel* CreateAutoSizeLabel(QWidget* aParent, const char* aName, const QString& aText, int aLeft,
                            int aTop) {
    return PlaceAutoSizeLabel(new QLabel(aText, aParent), aName, aLeft, aTop);
}

QLabel* PlaceAutoSizeLabel(QLabel* aLabel, const char* aName, int aLeft, int aTop) {
    aLabel->setObjectName(QString::fromLatin1(aName));
    aLabel->setProperty(AutoSizeProperty, true);
    aLabel->move(aLeft, aTop);
    aLabel->adjustSize();
    return aLabel;
}

QLabel* CreateWrappedLabel(QWidget* aParent, const char* aName, const QString& aText,
                           const QRect& aGeometry) {
    auto* label = new QLabel(aText, aParent);
    label->setObjectName(QString::fromLatin1(aName));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(aGeometry);
    return label;
}

QLabel* CreatePageHeader(QWidget* aParent, const QString& aText) {
    QLabel* label =
        CreateWrappedLabel(aParent, "lblHeader", aText, QRect(14, 14, aParent->width() - 28, 42));
    label->setFont(DesignFont(QStringLiteral("Arial"), 17, true));
    return label;
}

void FitAutoSizeLabels(QWidget* aForm) {
    const QList<QLabel*> labels = aForm->findChildren<QLabel*>();
    for (QLabel* label : labels) {
        if (label->property(AutoSizeProperty).toBool()) {
            label->adjustSize();
        }
    }
}

QString TrimBlanksAndControls(const QString& aText) {
    qsizetype first = 0;
    qsizetype last = aText.size();
    while (first < last && IsBlankOrControl(aText[first])) {
        ++first;
    }
    while (last > first && IsBlankOrControl(aText[last - 1])) {
        --last;
    }
    return aText.mid(first, last - first);
}

} // namespace app
