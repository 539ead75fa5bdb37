#pragma once
// The Windows Mail store: account files below "<local application data>\Microsoft\Windows
// Mail\", the client key HKCU\Software\Microsoft\Windows Mail, the program WinMail.exe. A new POP
// account goes to "Local Folders", a new IMAP account to a folder of its own.

#include "clients/oeaccount/OeAccountStore.h"

class TWindowsMailAccounts : public TOeAccountStore {
public:
    // Finds the program through its App Paths entry (environment variables expanded); when its
    // version resource cannot be read, the version is taken as 6.0.6000.16386.
    explicit TWindowsMailAccounts(bool autoSave, TRandomSource& random = SystemRandom());
};
