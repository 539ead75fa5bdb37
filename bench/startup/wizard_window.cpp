// The start-up benchmark's wizard: the program's own start-up (the simulated system from
// QUENLIX_SYSTEM_ROOT, the monitor lock, the forms, the stores, the page sequence) up to the
// welcome page's first frame. Reports the accounts the stores loaded, over all their profiles,
// so the benchmark can tell that the whole system was read.

#include "FirstFrame.h"

#include <app/Application.h>
#include <app/SystemRoot.h>
#include <app/dm.h>
#include <app/main.h>
#include <app/wizard.h>

#include <accounts/MailAccounts.h>
#include <accounts/MailProfile.h>
#include <accounts/MonitorLock.h>
#include <accounts/MonitorThread.h>
#include <clients/StoreMessages.h>
#include <platform/System.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

int AllAccounts(const T_dm& dm) {
    int sum = 0;
    for (const TMailAccounts* store : dm.Stores()) {
        for (int p = 0; store != nullptr && p < store->ProfileCount(); ++p) {
            sum += store->ProfileByIndex(p)->AccountCount();
        }
    }
    return sum;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(app::ApplicationTitle));
    try {
        app::InstallRunSystem();
        CreateMonitorLock();
        // A message box would wait for a user who is not there.
        SetStoreMessageHandler([](const std::string& text) {
            std::fprintf(stderr, "a store showed a message: %s\n", text.c_str());
            std::_Exit(3);
        });
        {
            app::TWizardApplication wizard;
            wizard.Start();
            if (wizard.Main().wzrdcntrlMain->CurrentPageName() != QStringLiteral("Welcome")) {
                std::fprintf(stderr, "the first page shown is not the welcome page\n");
                return 1;
            }
            bench_startup::ShowAndReport(wizard.Main(), AllAccounts(wizard.Dm()));
        }
        SetStoreMessageHandler({});
        StopAllMonitors();
        platform::UninstallSystem();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
