#include "platform/IniFile.h"
#include "platform/Files.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

using platform::TIniFile;

TEST(IniFile, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed) {
    const TIniFile ini = TIniFile::FromText("\xEF\xBB\xBF[General]\r\n"
                                            "StartWithLastProfile=1\r\n"
                                            "; Path=commented\r\n"
                                            "\r\n"
                                            "[Profile0]\r\n"
                                            "  Name  =  default  \r\n"
                                            "IsRelative=1\r\n"
                                            "Path=Profiles/abc.default\r\n"
                                            "Quoted=\" spaced \"\r\n"
                                            "Name=second\r\n"
                                            "no equals sign here\r\n");
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"General", "Profile0"}));
    EXPECT_TRUE(ini.SectionExists("general"));
    EXPECT_FALSE(ini.SectionExists("Profile1"));
    EXPECT_EQ(ini.ReadString("PROFILE0", "name", "?"), "default"); // first key wins
    EXPECT_EQ(ini.ReadString("Profile0", "Quoted", "?"), " spaced ");
    EXPECT_EQ(ini.Keys("profile0"),
              (std::vector<std::string>{"Name", "IsRelative", "Path", "Quoted"}));
    EXPECT_FALSE(ini.Value("General", "Path"));
    EXPECT_EQ(ini.ReadString("Missing", "Key", "def"), "def");
}

TEST(IniFile, IntegersFallBackToTheDefault) {
    const TIniFile ini = TIniFile::FromText("[S]\nA=42\nB=-7\nC=12abc\nD=\nE=99999999999\nF=+3\n");
    EXPECT_EQ(ini.ReadInteger("s", "a", 0), 42);
    EXPECT_EQ(ini.ReadInteger("S", "B", 0), -7);
    EXPECT_EQ(ini.ReadInteger("S", "C", 5), 5);
    EXPECT_EQ(ini.ReadInteger("S", "D", 5), 5);
    EXPECT_EQ(ini.ReadInteger("S", "E", 5), 5);
    EXPECT_EQ(ini.ReadInteger("S", "F", 0), 3);
    EXPECT_EQ(ini.ReadInteger("S", "Z", 8), 8);
}

TEST(IniFile, RepeatedSectionsMergeAndUtf16FilesAreRead) {
    const TIniFile merged = TIniFile::FromText("[A]\nx=1\n[B]\n[a]\nx=2\ny=3\n");
    EXPECT_EQ(merged.Sections(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(merged.ReadString("A", "x", ""), "1");
    EXPECT_EQ(merged.ReadString("A", "y", ""), "3");

    const std::u16string text = u"[Sek]\r\nName=Jürgen\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    EXPECT_EQ(TIniFile::FromText(bytes).ReadString("sek", "name", ""), "J\xC3\xBCrgen");
}

TEST(IniFile, ReadsFilesOnTheDriveAndMissingFilesAreEmpty) {
    testing_support::TTestSystem sys;
    sys.WriteFile("C:\\Data\\profiles.ini", "[Profile0]\nPath=x\n");
    EXPECT_EQ(
        TIniFile::FromWindowsPath("c:\\data\\PROFILES.INI").ReadString("Profile0", "Path", ""),
        "x");
    EXPECT_TRUE(TIniFile::FromWindowsPath("C:\\Data\\none.ini").Sections().empty());
}
