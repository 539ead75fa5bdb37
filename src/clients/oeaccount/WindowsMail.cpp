#include "clients/oeaccount/WindowsMail.h"

namespace {

TOeAccountClient WindowsMailClient() {
    TOeAccountClient client;
    client.ClientName = "Windows Mail";
    client.ProgramFile = "WinMail.exe";
    client.ExpandProgramPath = true;
    client.ClientKey = "\\Software\\Microsoft\\Windows Mail";
    client.StoreFolderName = "Windows Mail";
    // The version Windows Vista shipped with.
    client.SubstituteVersion = "6.0.6000.16386";
    client.SubstituteMajorVersion = 6;
    client.NewPopAccountsInLocalFolders = true;
    client.GuardedSmtpAuthNone = false;
    return client;
}

} // namespace

TWindowsMailAccounts::TWindowsMailAccounts(bool autoSave, TRandomSource& random)
    : TOeAccountStore(WindowsMailClient(), autoSave, random) {}
