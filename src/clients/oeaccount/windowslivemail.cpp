#include "clients/oeaccount/windowslivemail.h"

namespace {

TOeAccountClient WindowsLiveMailClient() {
    TOeAccountClient client;
    client.ClientName = "Windows Live Mail";
    client.ProgramFile = "wlmail.exe";
    client.ExpandProgramPath = false;
    client.ClientKey = "\\Software\\Microsoft\\Windows Live Mail";
    client.StoreFolderName = "Windows Live Mail";
    client.NewPopAccountsInLocalFolders = false;
    client.GuardedSmtpAuthNone = true;
    return client;
}

} // namespace

TWindowsLiveMailAccounts::TWindowsLiveMailAccounts(bool autoSave, TRandomSource& random)
    : TOeAccountStore(WindowsLiveMailClient(), autoSave, random) {}
