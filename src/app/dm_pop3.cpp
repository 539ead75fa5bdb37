// The data module's credential check on its POP3 client.
#include "app/Pop3Client.h"
#include "app/dm.h"

bool T_dm::CheckPop3Login(const QString& userName, const QString& password) {
    TPop3Client& pop = *popMain;
    pop.SetUserName(userName);
    pop.SetPassword(password);
    const bool result = pop.Connect() && pop.Connected();
    // The result is known after the password's answer; QUIT is sent without waiting for its
    // answer, so a server slow to say goodbye cannot hold the page for the time-out.
    pop.Disconnect();
    // The client keeps no password beyond the check.
    pop.SetPassword(QString());
    return result;
}
