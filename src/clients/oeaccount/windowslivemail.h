#pragma once
// The Windows Live Mail store: the Windows Mail store's files and protection with other places
// and names (account files below "<local application data>\Microsoft\Windows Live Mail\", the
// client key HKCU\Software\Microsoft\Windows Live Mail, the program wlmail.exe), and three
// differences: no substitute version, every new account in a folder of its own, and a guarded
// reading of "no outgoing authentication".

#include "clients/oeaccount/OeAccountStore.h"

class TWindowsLiveMailAccounts : public TOeAccountStore {
public:
    // Finds the program through its App Paths entry, taken as written.
    explicit TWindowsLiveMailAccounts(bool autoSave, TRandomSource& random = SystemRandom());
};
