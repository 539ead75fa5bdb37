#include "lang/TranslatedMessage.h"

#include "lang/LanguageTable.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace lang {

namespace {

TMessageDialogHook& Hook() {
    static TMessageDialogHook hook;
    return hook;
}

constexpr TMsgDlgBtn AllButtons[] = {mbYes,    mbNo,  mbOK,      mbCancel,   mbAbort, mbRetry,
                                     mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp};

void PaintRoundSign(QPainter& aPainter, int aSize, const QColor& aColour, const QString& aMark) {
    aPainter.setPen(QPen(aColour.darker(140), aSize / 16.0));
    aPainter.setBrush(aColour);
    const qreal margin = aSize / 16.0;
    aPainter.drawEllipse(QRectF(margin, margin, aSize - 2 * margin, aSize - 2 * margin));
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(aSize * 5 / 8);
    aPainter.setFont(font);
    aPainter.setPen(Qt::white);
    aPainter.drawText(QRect(0, 0, aSize, aSize), Qt::AlignCenter, aMark);
}

void PaintWarning(QPainter& aPainter, int aSize) {
    QPainterPath triangle;
    const qreal m = aSize / 16.0;
    triangle.moveTo(aSize / 2.0, m);
    triangle.lineTo(aSize - m, aSize - m);
    triangle.lineTo(m, aSize - m);
    triangle.closeSubpath();
    aPainter.setPen(QPen(QColor(0x80, 0x60, 0x00), aSize / 16.0));
    aPainter.setBrush(QColor(0xFF, 0xD0, 0x20));
    aPainter.drawPath(triangle);
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(aSize / 2);
    aPainter.setFont(font);
    aPainter.setPen(Qt::black);
    aPainter.drawText(QRect(0, aSize / 5, aSize, aSize * 4 / 5), Qt::AlignCenter,
                      QStringLiteral("!"));
}

void PaintError(QPainter& aPainter, int aSize) {
    PaintRoundSign(aPainter, aSize, QColor(0xD0, 0x20, 0x20), QString());
    aPainter.setPen(QPen(Qt::white, aSize / 8.0, Qt::SolidLine, Qt::RoundCap));
    const qreal a = aSize * 0.32;
    const qreal b = aSize * 0.68;
    aPainter.drawLine(QPointF(a, a), QPointF(b, b));
    aPainter.drawLine(QPointF(b, a), QPointF(a, b));
}

QString NormaliseLineBreaks(QString aText) {
    aText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    aText.replace(u'\r', u'\n');
    return aText;
}

} // namespace

TMsgDlgButtons::TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> aButtons) {
    for (TMsgDlgBtn button : aButtons) {
        FBits |= 1u << button;
    }
}

int ModalResultOf(TMsgDlgBtn aButton) {
    switch (aButton) {
    case mbYes:
        return mrYes;
    case mbNo:
        return mrNo;
    case mbOK:
        return mrOk;
    case mbCancel:
        return mrCancel;
    case mbAbort:
        return mrAbort;
    case mbRetry:
        return mrRetry;
    case mbIgnore:
        return mrIgnore;
    case mbAll:
        return mrAll;
    case mbNoToAll:
        return mrNoToAll;
    case mbYesToAll:
        return mrYesToAll;
    case mbHelp:
        break;
    }
    return mrNone;
}

QString DialogTypeKey(TMsgDlgType aType) {
    switch (aType) {
    case mtWarning:
        return QStringLiteral("Warning");
    case mtError:
        return QStringLiteral("Error");
    case mtInformation:
        return QStringLiteral("Information");
    case mtConfirmation:
        return QStringLiteral("Confirm");
    case mtCustom:
        break;
    }
    return {};
}

QString ButtonKey(TMsgDlgBtn aButton) {
    static const char* const keys[] = {"Yes",    "No",  "OK",        "Cancel",     "Abort", "Retry",
                                       "Ignore", "All", "No To All", "Yes To All", "Help"};
    return QString::fromLatin1(keys[aButton]);
}

QPixmap MessageDialogIcon(TMsgDlgType aType, int aSize) {
    QPixmap pixmap(aSize, aSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (aType) {
    case mtWarning:
        PaintWarning(painter, aSize);
        break;
    case mtError:
        PaintError(painter, aSize);
        break;
    case mtInformation:
        PaintRoundSign(painter, aSize, QColor(0x20, 0x60, 0xC0), QStringLiteral("i"));
        break;
    case mtConfirmation:
        PaintRoundSign(painter, aSize, QColor(0x20, 0x60, 0xC0), QStringLiteral("?"));
        break;
    case mtCustom:
        break;
    }
    return pixmap;
}

TTranslatedMessageDialog::TTranslatedMessageDialog(const TLanguageTable& aTable,
                                                   const QString& aText, TMsgDlgType aType,
                                                   TMsgDlgButtons aButtons, QWidget* aParent)
    : QDialog(aParent), FType(aType) {
    setWindowTitle(aType == mtCustom ? QGuiApplication::applicationDisplayName()
                                     : aTable.DialogCaption(DialogTypeKey(aType)));
    setModal(true);
    if (aButtons.IsEmpty()) {
        aButtons = {mbOK}; // a dialog must offer a way out
    }

    auto* message = new QHBoxLayout;
    if (aType != mtCustom) {
        auto* icon = new QLabel(this);
        icon->setObjectName(QStringLiteral("Image"));
        icon->setPixmap(MessageDialogIcon(aType));
        icon->setAlignment(Qt::AlignTop);
        message->addWidget(icon);
    }
    FTextLabel = new QLabel(this);
    FTextLabel->setObjectName(QStringLiteral("Message"));
    FTextLabel->setTextFormat(Qt::PlainText);
    FTextLabel->setText(NormaliseLineBreaks(aText));
    message->addWidget(FTextLabel, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (TMsgDlgBtn kind : AllButtons) {
        if (!aButtons.Contains(kind)) {
            continue;
        }
        auto* button = new QPushButton(aTable.DialogCaption(ButtonKey(kind)), this);
        button->setObjectName(ButtonKey(kind).remove(u' '));
        button->setAutoDefault(false);
        const int result = ModalResultOf(kind);
        if (result != mrNone) {
            connect(button, &QPushButton::clicked, this, [this, result]() { done(result); });
        }
        buttons->addWidget(button);
        FButtons.append(button);
        FButtonKinds.append(kind);
    }
    buttons->addStretch();

    QPushButton* preferred = Button(mbOK) != nullptr ? Button(mbOK) : Button(mbYes);
    if (preferred == nullptr) {
        preferred = FButtons.first();
    }
    preferred->setDefault(true);
    preferred->setFocus();

    for (TMsgDlgBtn kind : {mbCancel, mbNo, mbOK}) {
        if (aButtons.Contains(kind)) {
            FEscape = kind;
            break;
        }
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(message);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TTranslatedMessageDialog::Text() const {
    return FTextLabel->text();
}

QPushButton* TTranslatedMessageDialog::Button(TMsgDlgBtn aButton) const {
    const int index = FButtonKinds.indexOf(aButton);
    return index >= 0 ? FButtons[index] : nullptr;
}

QList<QPushButton*> TTranslatedMessageDialog::Buttons() const {
    return FButtons;
}

QPushButton* TTranslatedMessageDialog::DefaultButton() const {
    for (QPushButton* button : FButtons) {
        if (button->isDefault()) {
            return button;
        }
    }
    return nullptr;
}

void TTranslatedMessageDialog::reject() {
    // Escape and the close box answer with the dialog's cancel button.
    done(FEscape ? ModalResultOf(*FEscape) : mrCancel);
}

int TTranslatedMessageDialog::Execute() {
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    return exec();
}

int ShowTranslatedMessage(const TLanguageTable& aTable, const QString& aText, TMsgDlgType aType,
                          TMsgDlgButtons aButtons) {
    TTranslatedMessageDialog dialog(aTable, aText, aType, aButtons);
    if (Hook()) {
        if (const std::optional<int> answer = Hook()(dialog)) {
            return *answer;
        }
    }
    return dialog.Execute();
}

void SetMessageDialogHook(TMessageDialogHook aHook) {
    Hook() = std::move(aHook);
}

TMessageDialogHookGuard::TMessageDialogHookGuard(TMessageDialogHook aHook) {
    SetMessageDialogHook(std::move(aHook));
}

TMessageDialogHookGuard::~TMessageDialogHookGuard() {
    SetMessageDialogHook({});
}

} // namespace lang
