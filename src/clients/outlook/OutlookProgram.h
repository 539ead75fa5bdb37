#pragma once
// The installed Outlook program as App Paths names it. The Outlook 98/2000 and the Outlook
// 2002/2003/2007 stores both find their client through it and tell the versions apart by the
// major version of the file.

#include <optional>
#include <string>

struct TOutlookProgram {
    std::string Path;     // Windows path of OUTLOOK.EXE
    int MajorVersion = 0; // of the file version; 0 when the file has none
    std::string Version;  // "major.minor.release.build"; empty when the file has none
};

// The file that the default value of the App Paths key of OUTLOOK.exe in HKEY_LOCAL_MACHINE
// names (a plain or an expandable string, quotes around it allowed); nullopt when the key or the
// value is missing or the file does not exist.
std::optional<TOutlookProgram> FindOutlookProgram();
