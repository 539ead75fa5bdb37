#pragma once
// The Outlook-family stores' own classification of the Windows version, made once at program
// start. It chooses the MAPI profiles key and the Protected Storage flags. The setup page
// classifies the system for its own purpose (app/WindowsVersionClass.h); the two are kept apart
// on purpose.

#include "platform/SystemInfo.h"

enum class TOutlookWindowsVersion {
    Win95,
    Win98,
    WinMe,
    WinNT4,
    Win2000,
    WinXP,
    WinServer2003,
    WinVista,
    Win7,
    Other,
};

// The class of a version answer; a failed query (nullptr) is Other.
TOutlookWindowsVersion ClassifyOutlookWindowsVersion(const platform::TOSVersionInfo* info);

// Classifies the installed system and keeps the class for the rest of the run. The program
// calls it once at start; a test that installs a system of its own calls it after installing.
void InitOutlookWindowsVersion();
// The class kept at start; before InitOutlookWindowsVersion the installed system's, unkept.
TOutlookWindowsVersion OutlookWindowsVersion();
