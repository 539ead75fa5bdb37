#include "clients/outlook/OutlookWindowsVersion.h"

#include <atomic>

namespace {

// -1 until the class is made at start; read from any thread afterwards.
std::atomic<int> KeptClass{-1};

TOutlookWindowsVersion Classify9x(const platform::TOSVersionInfo& info) {
    switch (info.MinorVersion) {
    case 0:
        return TOutlookWindowsVersion::Win95;
    case 10:
        return TOutlookWindowsVersion::Win98;
    case 90:
        return TOutlookWindowsVersion::WinMe;
    default:
        return TOutlookWindowsVersion::Other;
    }
}

TOutlookWindowsVersion ClassifyNT(const platform::TOSVersionInfo& info) {
    const auto major = info.MajorVersion;
    const auto minor = info.MinorVersion;
    if (major == 5 && minor == 2) {
        return TOutlookWindowsVersion::WinServer2003;
    }
    if (major == 5 && minor == 1) {
        return TOutlookWindowsVersion::WinXP;
    }
    if (major == 4) {
        return TOutlookWindowsVersion::WinNT4;
    }
    if (major == 5) {
        return TOutlookWindowsVersion::Win2000;
    }
    if (major == 6 && minor == 0) {
        return TOutlookWindowsVersion::WinVista;
    }
    if (major == 6 && minor == 1) {
        return TOutlookWindowsVersion::Win7;
    }
    return TOutlookWindowsVersion::Other;
}

TOutlookWindowsVersion ClassifyInstalledSystem() {
    platform::TOSVersionInfo info;
    return ClassifyOutlookWindowsVersion(platform::GetVersionEx(info) ? &info : nullptr);
}

} // namespace

TOutlookWindowsVersion ClassifyOutlookWindowsVersion(const platform::TOSVersionInfo* info) {
    if (info == nullptr) {
        return TOutlookWindowsVersion::Other;
    }
    switch (info->PlatformId) {
    case platform::VER_PLATFORM_WIN32_WINDOWS:
        return Classify9x(*info);
    case platform::VER_PLATFORM_WIN32_NT:
        return ClassifyNT(*info);
    default:
        return TOutlookWindowsVersion::Other;
    }
}

void InitOutlookWindowsVersion() {
    KeptClass = static_cast<int>(ClassifyInstalledSystem());
}

TOutlookWindowsVersion OutlookWindowsVersion() {
    const int kept = KeptClass;
    return kept < 0 ? ClassifyInstalledSystem() : static_cast<TOutlookWindowsVersion>(kept);
}
