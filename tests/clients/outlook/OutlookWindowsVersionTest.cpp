#include "clients/outlook/OutlookWindowsVersion.h"

#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <fstream>

using testing_support::TTestMachine;
using testing_support::TTestSystem;
using testing_support::TTestWindows;
using V = TOutlookWindowsVersion;

namespace {

struct TVersionRow {
    std::uint32_t Platform;
    std::uint32_t Major;
    std::uint32_t Minor;
    V Expected;
};

platform::TOSVersionInfo Info(const TVersionRow& row) {
    platform::TOSVersionInfo info;
    info.PlatformId = row.Platform;
    info.MajorVersion = row.Major;
    info.MinorVersion = row.Minor;
    return info;
}

} // namespace

TEST(OutlookWindowsVersion, EveryVersionTheSystemCanReportHasItsClass) {
    const std::pair<TTestWindows, V> rows[] = {{TTestWindows::Win95, V::Win95},
                                               {TTestWindows::Win98, V::Win98},
                                               {TTestWindows::WinMe, V::WinMe},
                                               {TTestWindows::NT4, V::WinNT4},
                                               {TTestWindows::Win2000, V::Win2000},
                                               {TTestWindows::XP, V::WinXP},
                                               {TTestWindows::Server2003, V::WinServer2003},
                                               {TTestWindows::Vista, V::WinVista},
                                               {TTestWindows::Win7, V::Win7},
                                               {TTestWindows::Win8, V::Other}};
    for (const auto& [windows, expected] : rows) {
        TTestSystem system(TTestMachine().Windows(windows).Ini());
        InitOutlookWindowsVersion();
        EXPECT_EQ(OutlookWindowsVersion(), expected) << static_cast<int>(windows);
    }
}

TEST(OutlookWindowsVersion, ClassesFollowPlatformAndNumbers) {
    const std::uint32_t W9x = platform::VER_PLATFORM_WIN32_WINDOWS;
    const std::uint32_t NT = platform::VER_PLATFORM_WIN32_NT;
    const TVersionRow rows[] = {
        {W9x, 4, 0, V::Win95}, {W9x, 4, 10, V::Win98},       {W9x, 4, 90, V::WinMe},
        {W9x, 4, 3, V::Other}, {NT, 4, 0, V::WinNT4},        {NT, 4, 10, V::WinNT4},
        {NT, 3, 51, V::Other}, {NT, 5, 0, V::Win2000},       {NT, 5, 3, V::Win2000},
        {NT, 5, 1, V::WinXP},  {NT, 5, 2, V::WinServer2003}, {NT, 6, 0, V::WinVista},
        {NT, 6, 1, V::Win7},   {NT, 6, 2, V::Other},         {NT, 10, 0, V::Other},
        {3, 5, 1, V::Other}};
    for (const TVersionRow& row : rows) {
        const platform::TOSVersionInfo info = Info(row);
        EXPECT_EQ(ClassifyOutlookWindowsVersion(&info), row.Expected)
            << row.Platform << " " << row.Major << "." << row.Minor;
    }
    EXPECT_EQ(ClassifyOutlookWindowsVersion(nullptr), V::Other);
}

TEST(OutlookWindowsVersion, TheClassMadeAtStartStaysForTheRun) {
    TTestSystem system(TTestMachine().Windows(TTestWindows::Win98).Ini());
    InitOutlookWindowsVersion();
    std::ofstream(system.Root() / "system.ini")
        << TTestMachine().Windows(TTestWindows::Vista).Ini();
    system.Reinstall();
    EXPECT_EQ(OutlookWindowsVersion(), V::Win98); // the system is not asked again
    InitOutlookWindowsVersion();
    EXPECT_EQ(OutlookWindowsVersion(), V::WinVista);
}
