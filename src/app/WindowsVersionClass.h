#pragma once
// The setup page's classification of the system version, which decides whether the login is
// tested. The Outlook-family stores classify on their own; the two are kept apart on purpose.

#include "platform/SystemInfo.h"

#include <cstdint>

enum TWindowsVersionClass : std::uint8_t {
    wvUnknown = 0,
    wvWin95 = 1,
    wvWin98 = 2,
    wvWin98SE = 3,
    wvWinNT4 = 4,
    wvWinME = 5,
    wvWin2000 = 6,
    wvWinXP = 7,
    wvWinVista = 8, // NT 6.0 and every later NT version
};

// aInfo is the answer of the version query; nullptr when the query failed.
TWindowsVersionClass ClassifyWindowsVersion(const platform::TOSVersionInfo* aInfo);
