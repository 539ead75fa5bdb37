// Version resources through GetFileVersionInfoW, of PE files the test writes and of the system's.

#include "WinTestSupport.h"

#include "platform/Files.h"
#include "platform/VersionInfo.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;
using win32_test::TTestFolder;

bool SameVersion(const TFixedFileVersion& a, const TFixedFileVersion& b) {
    return a.FileVersionMS == b.FileVersionMS && a.FileVersionLS == b.FileVersionLS &&
           a.ProductVersionMS == b.ProductVersionMS && a.ProductVersionLS == b.ProductVersionLS;
}

TEST(VersionInfoTest, TheVersionOfAWrittenExecutable) {
    TTestFolder folder;
    for (const bool pe32Plus : {false, true}) {
        SCOPED_TRACE(pe32Plus);
        const TFixedFileVersion version = MakeVersion(12, 0, 4518, pe32Plus ? 1014 : 1015);
        const std::string file = folder / (pe32Plus ? "outlook64.exe" : "outlook.exe");
        WriteFileAtomic(file, MakeVersionedPeImage(version, pe32Plus));
        const auto read = ReadFixedFileVersion(file);
        ASSERT_TRUE(read);
        EXPECT_TRUE(SameVersion(*read, version));
    }
}

TEST(VersionInfoTest, FilesWithoutAVersion) {
    TTestFolder folder;
    WriteFileAtomic(folder / "text.exe", "MZ but nothing else");
    EXPECT_FALSE(ReadFixedFileVersion(folder / "text.exe"));
    EXPECT_FALSE(ReadFixedFileVersion(folder / "missing.exe"));
    EXPECT_FALSE(ReadFixedFileVersion(""));
}

TEST(VersionInfoTest, TheSystemsOwnLibraries) {
    wchar_t system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    const auto version = ReadFixedFileVersion(win32::Utf8(system) + "\\kernel32.dll");
    ASSERT_TRUE(version);
    EXPECT_GE(version->FileVersionMS >> 16, 5u);
}

} // namespace
