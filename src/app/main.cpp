// The program: makes the Windows system it works on ready, creates the wizard and runs it.

#include "app/main.h"
#include "app/Application.h"
#include "app/SystemRoot.h"

#include <accounts/MonitorLock.h>
#include <accounts/MonitorThread.h>
#include <clients/StoreMessages.h>
#include <platform/System.h>

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include <exception>

namespace {

QString Title() {
    return QString::fromLatin1(app::ApplicationTitle);
}

int Fail(const QString& text) {
    QMessageBox::critical(nullptr, Title(), text);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(Title());

    try {
        app::InstallRunSystem();
    } catch (const std::exception& error) {
        return Fail(QStringLiteral("The Windows system this wizard works on cannot be used:\n\n") +
                    QString::fromLocal8Bit(error.what()));
    }
    CreateMonitorLock(); // before any store can start a monitor
    SetStoreMessageHandler([](const std::string& text) {
        QMessageBox::information(nullptr, Title(), QString::fromStdString(text));
    });

    int result = 0;
    try {
        app::TWizardApplication wizard;
        wizard.Start();
        wizard.Main().show();
        result = QApplication::exec();
    } catch (const std::exception& error) {
        result = Fail(QStringLiteral("The wizard stopped because of an unexpected error:\n\n") +
                      QString::fromLocal8Bit(error.what()));
    }
    SetStoreMessageHandler({});
    StopAllMonitors(); // no monitor thread outlives the program, nor the system it watches
    try {
        platform::UninstallSystem(); // writes back any registry change
    } catch (const std::exception& error) {
        result = Fail(QStringLiteral("A registry change could not be saved:\n\n") +
                      QString::fromLocal8Bit(error.what()));
    }
    return result;
}
