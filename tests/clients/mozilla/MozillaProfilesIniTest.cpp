#include <clients/mozilla/MozillaInstallHash.h>
#include <clients/mozilla/MozillaProfilesIni.h>

#include <gtest/gtest.h>

namespace {

// Hashes that Mozilla applications give their install folders, as found in their profiles.ini
// files (CityHash64 1.0 of the UTF-16 path); the lengths cover every branch above 16 bytes.
struct THashCase {
    const char* Folder;
    const char* Hash;
};

void PrintTo(const THashCase& c, std::ostream* os) {
    *os << c.Folder;
}

class MozillaInstallHashTest : public ::testing::TestWithParam<THashCase> {};

TEST_P(MozillaInstallHashTest, FolderGivesTheHashMozillaGivesIt) {
    EXPECT_EQ(MozillaInstallHash(GetParam().Folder), GetParam().Hash);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, MozillaInstallHashTest,
    ::testing::Values(THashCase{"C:\\Program Files\\Mozilla Firefox", "308046B0AF4A39CB"},
                      THashCase{"C:/Program Files/Mozilla Firefox", "9D561FCD08DC6D55"},
                      THashCase{"C:\\Program Files\\Firefox Nightly", "6F193CCC56814779"},
                      THashCase{"/usr/lib/firefox", "4F96D1932A9F858E"},
                      THashCase{"/opt/firefox-nightly", "6BA5C87ECB35E12F"},
                      THashCase{"/Applications/Firefox.app/Contents/MacOS", "2656FF1E876E9973"},
                      THashCase{"/Applications/Firefox Nightly.app/Contents/MacOS",
                                "31210A081F86E80E"},
                      THashCase{"C:\\Program Files\\Mozilla Thunderbird", "D78BF5DD33499EC2"}));

TEST(MozillaInstallHashTest, EmptyInputGivesTheHashSeed) {
    EXPECT_EQ(CityHash64(""), 0x9ae16a3b2f90404fULL);
}

// profiles.ini as Thunderbird 68 and later writes it.
const std::string kCurrentProfilesIni = "[Install0123456789ABCDEF]\r\n"
                                        "Default=Profiles/other.default-esr\r\n"
                                        "Locked=1\r\n"
                                        "\r\n"
                                        "[InstallD78BF5DD33499EC2]\r\n"
                                        "Default=Profiles/k3x9q2mf.default-esr\r\n"
                                        "Locked=1\r\n"
                                        "\r\n"
                                        "[Profile1]\r\n"
                                        "Name=default-esr\r\n"
                                        "IsRelative=1\r\n"
                                        "Path=Profiles/k3x9q2mf.default-esr\r\n"
                                        "\r\n"
                                        "[Profile0]\r\n"
                                        "Name=default\r\n"
                                        "IsRelative=1\r\n"
                                        "Path=Profiles/a1b2c3d4.default\r\n"
                                        "Default=1\r\n"
                                        "\r\n"
                                        "[General]\r\n"
                                        "StartWithLastProfile=1\r\n"
                                        "Version=2\r\n"
                                        "\r\n"
                                        "[BackgroundTasksProfiles]\r\n"
                                        "MozillaBackgroundTask-D78BF5DD33499EC2-backgroundupdate="
                                        "zv4kbh2l.MozillaBackgroundTask-D78BF5DD33499EC2\r\n";

TEST(MozillaProfilesIniTest, ProfilesAndInstallationsAreReadButNotTheBackgroundTaskList) {
    const TMozillaProfilesIni ini = ParseProfilesIni(kCurrentProfilesIni);
    ASSERT_EQ(ini.Profiles.size(), 2u);
    EXPECT_EQ(ini.Profiles[0].Name, "default-esr");
    EXPECT_EQ(ini.Profiles[0].Path, "Profiles/k3x9q2mf.default-esr");
    EXPECT_TRUE(ini.Profiles[0].IsRelative);
    EXPECT_FALSE(ini.Profiles[0].IsDefault);
    EXPECT_TRUE(ini.Profiles[1].IsDefault);
    ASSERT_EQ(ini.Installs.size(), 2u);
    EXPECT_EQ(ini.Installs[1].Hash, "D78BF5DD33499EC2");
    EXPECT_EQ(ini.Installs[1].DefaultPath, "Profiles/k3x9q2mf.default-esr");
}

TEST(MozillaProfilesIniTest, TheInstallationOfTheFolderWinsElseTheFirst) {
    const TMozillaProfilesIni ini = ParseProfilesIni(kCurrentProfilesIni);
    EXPECT_EQ(ChooseInstall(ini, "d78bf5dd33499ec2"), &ini.Installs[1]);
    EXPECT_EQ(ChooseInstall(ini, "FFFFFFFFFFFFFFFF"), &ini.Installs[0]);
    EXPECT_EQ(ChooseInstall(ini, ""), &ini.Installs[0]);
    EXPECT_EQ(ChooseInstall(ParseProfilesIni("[Profile0]\nPath=x\n"), "D78BF5DD33499EC2"), nullptr);
    // An installation section without a default profile names nothing.
    EXPECT_TRUE(ParseProfilesIni("[InstallD78BF5DD33499EC2]\nLocked=1\n").Installs.empty());
}

TEST(MozillaProfilesIniTest, OldFilesAndDefaults) {
    const TMozillaProfilesIni ini =
        ParseProfilesIni("[General]\nStartWithLastProfile=1\n\n[Profile0]\nIsRelative=0\n"
                         "Path=D:\\Mail\\Private\n\n[Other]\nName=x\n");
    ASSERT_EQ(ini.Profiles.size(), 1u);
    EXPECT_EQ(ini.Profiles[0].Name, "default");
    EXPECT_FALSE(ini.Profiles[0].IsRelative);
    EXPECT_TRUE(ini.Installs.empty());
}

} // namespace
