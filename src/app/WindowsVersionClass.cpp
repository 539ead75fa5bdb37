#include "app/WindowsVersionClass.h"

namespace {

TWindowsVersionClass Classify9x(const platform::TOSVersionInfo& aInfo) {
    if (aInfo.MajorVersion != 4) {
        return wvUnknown;
    }
    switch (aInfo.MinorVersion) {
    case 0:
        return wvWin95;
    case 10:
        // The second edition reports " A " as its service-pack text.
        return aInfo.CSDVersion.size() >= 2 && aInfo.CSDVersion[1] == 'A' ? wvWin98SE : wvWin98;
    case 90:
        return wvWinME;
    default:
        return wvUnknown;
    }
}

TWindowsVersionClass ClassifyNT(const platform::TOSVersionInfo& aInfo) {
    if (aInfo.MajorVersion <= 4) {
        return wvWinNT4;
    }
    if (aInfo.MajorVersion == 5 && aInfo.MinorVersion == 0) {
        return wvWin2000;
    }
    if (aInfo.MajorVersion == 5 && aInfo.MinorVersion == 1) {
        return wvWinXP;
    }
    // Vista and every NT version after it (7, 8, 8.1, 10 and 11, which reports 10.0) make
    // the TLS connection, so the login is checked on all of them.
    if (aInfo.MajorVersion >= 6) {
        return wvWinVista;
    }
    return wvUnknown;
}

} // namespace

TWindowsVersionClass ClassifyWindowsVersion(const platform::TOSVersionInfo* aInfo) {
    if (aInfo == nullptr) {
        return wvUnknown;
    }
    switch (aInfo->PlatformId) {
    case platform::VER_PLATFORM_WIN32_WINDOWS:
        return Classify9x(*aInfo);
    case platform::VER_PLATFORM_WIN32_NT:
        return ClassifyNT(*aInfo);
    default:
        return wvUnknown;
    }
}
