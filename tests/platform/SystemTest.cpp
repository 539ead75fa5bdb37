#include "platform/System.h"
#include "platform/Files.h"
#include "support/TestSystem.h"

#include "ThrowsWith.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

using platform_test::ThrowsWith;
using namespace platform;
using testing_support::TTestSystem;
namespace fs = std::filesystem;

namespace {

std::string Env(const TMachineFacts& f, const std::string& name) {
    const auto it = f.Environment.find(name);
    return it == f.Environment.end() ? "<missing>" : it->second;
}

} // namespace

TEST(MachineFacts, EmptyIniIsWindowsXpServicePack3) {
    const TMachineFacts f = ParseMachineFacts("", "/root");
    EXPECT_EQ(f.PlatformId, TPlatformId::NT);
    EXPECT_EQ(f.MajorVersion, 5);
    EXPECT_EQ(f.MinorVersion, 1);
    EXPECT_EQ(f.BuildNumber, 2600);
    EXPECT_EQ(f.ServicePack, "Service Pack 3");
    EXPECT_EQ(f.UserName, "User");
    EXPECT_EQ(f.AppData, "C:\\Documents and Settings\\User\\Application Data");
    EXPECT_EQ(f.LocalAppData, "C:\\Documents and Settings\\User\\Local Settings\\Application Data");
    EXPECT_EQ(f.ProgramFiles, "C:\\Program Files");
    EXPECT_EQ(f.TempFolder, "C:\\Documents and Settings\\User\\Local Settings\\Temp\\");
    EXPECT_EQ(f.ModulePath, "C:\\Program Files\\Quenlix\\QuenlixMailAssistant.exe");
    EXPECT_TRUE(f.ProtectedStorageAvailable);
    EXPECT_EQ(Env(f, "APPDATA"), f.AppData);
    EXPECT_EQ(Env(f, "TEMP"), "C:\\Documents and Settings\\User\\Local Settings\\Temp");
    EXPECT_EQ(Env(f, "USERPROFILE"), "C:\\Documents and Settings\\User");
    EXPECT_EQ(Env(f, "HOMEPATH"), "\\Documents and Settings\\User");
    EXPECT_EQ(Env(f, "SystemRoot"), "C:\\WINDOWS");
    EXPECT_EQ(Env(f, "LOCALAPPDATA"), "<missing>"); // only Vista and later have it
}

TEST(MachineFacts, VistaAndNinetyEightLayouts) {
    const TMachineFacts vista =
        ParseMachineFacts("[Windows]\nMajor=6\nMinor=0\n[User]\nName=Anna\n", "/root");
    EXPECT_EQ(vista.BuildNumber, 6002);
    EXPECT_EQ(vista.AppData, "C:\\Users\\Anna\\AppData\\Roaming");
    EXPECT_EQ(vista.LocalAppData, "C:\\Users\\Anna\\AppData\\Local");
    EXPECT_EQ(vista.TempFolder, "C:\\Users\\Anna\\AppData\\Local\\Temp\\");
    EXPECT_EQ(Env(vista, "LOCALAPPDATA"), "C:\\Users\\Anna\\AppData\\Local");
    EXPECT_EQ(Env(vista, "USERNAME"), "Anna");
    EXPECT_EQ(Env(vista, "ALLUSERSPROFILE"), "C:\\ProgramData");

    const TMachineFacts w98 = ParseMachineFacts("[Windows]\nPlatform=9x\n", "/root");
    EXPECT_EQ(w98.PlatformId, TPlatformId::Win9x);
    EXPECT_EQ(w98.MajorVersion, 4);
    EXPECT_EQ(w98.MinorVersion, 10);
    EXPECT_EQ(w98.ServicePack, "");
    EXPECT_EQ(w98.AppData, "C:\\WINDOWS\\Application Data");
    EXPECT_EQ(w98.TempFolder, "C:\\WINDOWS\\TEMP\\");
    EXPECT_EQ(Env(w98, "windir"), "C:\\WINDOWS");
    EXPECT_EQ(Env(w98, "USERPROFILE"), "<missing>");
}

TEST(MachineFacts, IniValuesOverrideDefaults) {
    const TMachineFacts f =
        ParseMachineFacts("; a test machine\r\n"
                          "[windows]\r\nBuild=2700\r\nServicePack=\r\n"
                          "[Folders]\r\nTemp = C:\\Tmp\r\nAppData=C:\\Roaming\\\r\n"
                          "[Environment]\r\ntemp=C:\\Other\r\nQUENLIX=1\r\n"
                          "[Program]\r\nModulePath=C:\\Setup\\setup.exe\r\n"
                          "[ProtectedStorage]\r\nAvailable=0\r\n"
                          "[Network]\r\nPOP.Quenlix.example:995=127.0.0.1:10995\r\nbad=nowhere\r\n"
                          "[TLS]\r\nCAFile=certs/ca.pem\r\nCAFile2=/etc/abs.pem\r\n",
                          "/sys-root");
    EXPECT_EQ(f.BuildNumber, 2700);
    EXPECT_EQ(f.ServicePack, "");
    EXPECT_EQ(f.TempFolder, "C:\\Tmp\\");
    EXPECT_EQ(f.AppData, "C:\\Roaming");
    EXPECT_EQ(Env(f, "temp"), "C:\\Other");
    EXPECT_EQ(Env(f, "TEMP"), "<missing>"); // replaced, not doubled
    EXPECT_EQ(Env(f, "TMP"), "C:\\Tmp");
    EXPECT_EQ(Env(f, "QUENLIX"), "1");
    EXPECT_EQ(f.ModulePath, "C:\\Setup\\setup.exe");
    EXPECT_FALSE(f.ProtectedStorageAvailable);
    ASSERT_EQ(f.Redirections.size(), 1u);
    const TRedirection& r = f.Redirections.at("pop.quenlix.example:995");
    EXPECT_EQ(r.Host, "127.0.0.1");
    EXPECT_EQ(r.Port, 10995);
    EXPECT_EQ(f.ExtraCaFiles, (std::vector<fs::path>{"/sys-root/certs/ca.pem", "/etc/abs.pem"}));
}

TEST(InstallSystem, CreatesTheDriveAndStandardFolders) {
    TTestSystem sys("[Windows]\nMajor=6\nMinor=1\n[User]\nName=Bo\n");
    EXPECT_TRUE(SystemInstalled());
    EXPECT_EQ(SystemRoot(), fs::absolute(sys.Root()));
    EXPECT_EQ(MachineFacts().UserName, "Bo");
    EXPECT_TRUE(fs::is_directory(sys.Root() / "registry"));
    EXPECT_TRUE(DirectoryExists("C:\\Users\\Bo\\AppData\\Roaming"));
    EXPECT_TRUE(DirectoryExists("C:\\Users\\Bo\\AppData\\Local\\Temp"));
    EXPECT_TRUE(DirectoryExists("C:\\Program Files"));
}

TEST(InstallSystem, RefusesUnreadableFactsAndMissingRoots) {
    const fs::path root =
        fs::temp_directory_path() / ("quenlix-bad-root-" + std::to_string(::getpid()));
    fs::remove_all(root);
    EXPECT_THROW(InstallSystem(root), ESystemError);
    EXPECT_FALSE(SystemInstalled());

    fs::create_directories(root / "system.ini"); // a folder where the file should be
    EXPECT_TRUE(ThrowsWith<ESystemError>([&] { InstallSystem(root); }, "system.ini"));
    EXPECT_FALSE(SystemInstalled());
    fs::remove_all(root);
}

TEST(InstallSystem, UninstallForgetsTheSystemAndTheFixtureRemovesItsRoot) {
    fs::path root;
    {
        TTestSystem sys;
        root = sys.Root();
        ForceDirectories("C:\\Data");
        EXPECT_TRUE(DirectoryExists("C:\\Data"));
    }
    EXPECT_FALSE(SystemInstalled());
    EXPECT_FALSE(fs::exists(root));
    EXPECT_FALSE(DirectoryExists("C:\\"));
    EXPECT_TRUE(HostPath("C:\\Data").empty());
    EXPECT_EQ(MachineFacts().UserName, "User"); // defaults again
}

TEST(InstallSystem, FixtureWritesHivesWithTheRegeditHeader) {
    TTestSystem sys("", "[HKEY_LOCAL_MACHINE\\Software\\Test]\n\"A\"=\"1\"\n");
    std::ifstream in(sys.Root() / "registry" / "HKEY_LOCAL_MACHINE.reg");
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first.substr(0, 36), "Windows Registry Editor Version 5.00");
}
