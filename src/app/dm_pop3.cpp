// The data module's credential check on its POP3 client.
#include "app/Pop3Client.h"
#include "app/dm.h"

bool T_dm::CheckPop3Login(const QString& userName, const QString& password) {
    TPop3Client& pop = *popMain;
    pop.SetUserName(userName);
    pop.SetPassword(password);
    bool result = pop.Connect() && pop.Connected();
    // The session ends with QUIT; a session that cannot be ended cleanly counts as failed.
    if (!pop.Disconnect()) {
        result = false;
    }
    // The client keeps no password beyond the check.
    pop.SetPassword(QString());
    return result;
}
