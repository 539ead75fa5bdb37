#include "app/close.h"

#include "app/Accessibility.h"
#include "app/Application.h"
#include "lang/LanguageTable.h"
#include "lang/TranslatedMessage.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

T_closedialog::T_closedialog(app::TWizardApplication& /*app*/) {
    setObjectName(QStringLiteral("T_closedialog"));
    setWindowTitle(QStringLiteral("Bestätigung"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    // A fixed-size dialog: no resizing, no help or maximise buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // Wide enough for the longest translation of the check box (Italian) with room to spare
    // for faces a little wider than the designed one.
    setFixedSize(380, 128);
    setModal(true);
    CreateComponents();

    langMain = new lang::TLanguageTable(this, QStringLiteral("T_closedialog"));
    langMain->setObjectName(QStringLiteral("langMain"));
}

T_closedialog::~T_closedialog() = default;

void T_closedialog::CreateComponents() {
    imgConfirm = new QLabel(this);
    imgConfirm->setObjectName(QStringLiteral("imgConfirm"));
    imgConfirm->setGeometry(16, 16, 32, 32);
    imgConfirm->setPixmap(lang::MessageDialogIcon(lang::mtConfirmation, 32));
    app::MarkDecorative(imgConfirm); // the question says it all

    lblConfirmation =
        new QLabel(QStringLiteral("Wollen Sie die Applikation wirklich beenden?"), this);
    lblConfirmation->setObjectName(QStringLiteral("lblConfirmation"));
    lblConfirmation->setGeometry(64, 16, 300, 32);
    lblConfirmation->setWordWrap(true);
    lblConfirmation->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    chkRemoveApplication =
        new QCheckBox(QStringLiteral("Nach Beendigung den Assistenten vom System entfernen"), this);
    chkRemoveApplication->setObjectName(QStringLiteral("chkRemoveApplication"));
    chkRemoveApplication->setGeometry(16, 58, 348, 17);
    chkRemoveApplication->setChecked(true);

    btnYes = new QPushButton(QStringLiteral("&Ja"), this);
    btnYes->setObjectName(QStringLiteral("btnYes"));
    btnYes->setGeometry(108, 90, 75, 25);
    connect(btnYes, &QPushButton::clicked, this, [this] { done(mrYes); });

    btnNo = new QPushButton(QStringLiteral("&Nein"), this);
    btnNo->setObjectName(QStringLiteral("btnNo"));
    btnNo->setGeometry(196, 90, 75, 25);
    // Quitting (and removing the program) takes a deliberate Yes: Enter and Escape say No.
    btnNo->setDefault(true);
    connect(btnNo, &QPushButton::clicked, this, [this] { done(mrNo); });
}

int T_closedialog::ShowModal() {
    setResult(0);
    CentreOnScreen();
    btnNo->setFocus(Qt::OtherFocusReason);
    return exec();
}

void T_closedialog::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void T_closedialog::keyPressEvent(QKeyEvent* aEvent) {
    if (aEvent->key() == Qt::Key_Escape) {
        aEvent->accept();
        done(mrNo);
        return;
    }
    QDialog::keyPressEvent(aEvent);
}
