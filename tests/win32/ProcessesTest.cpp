// The process snapshot (Tool Help) and running automation objects (the running object table).

#include "WinTestSupport.h"

#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <atomic>

namespace {

using namespace platform;
using win32_test::TChildProcess;
using win32_test::TTestFolder;

TEST(ProcessesTest, TheSnapshotHoldsThisProgramWithItsPath) {
    const std::string self = GetModuleFileName();
    bool found = false;
    for (const TProcessEntry& process : ProcessSnapshot()) {
        if (process.ProcessId == static_cast<int>(GetCurrentProcessId())) {
            found = true;
            EXPECT_EQ(_stricmp(process.ExePath.c_str(), self.c_str()), 0) << process.ExePath;
        }
    }
    EXPECT_TRUE(found);
    EXPECT_TRUE(ProcessRunning("TESTS_WIN32.EXE"));
    EXPECT_TRUE(ProcessRunning(self));
    EXPECT_FALSE(ProcessRunning("quenlix-no-such-program.exe"));
    EXPECT_FALSE(ProcessRunning(""));
}

TEST(ProcessesTest, AProgramIsRunningUntilItEnds) {
    TTestFolder folder;
    const std::string exe = folder / "Thunderbird Stand-in.exe";
    ASSERT_TRUE(
        CopyFileW(win32::Wide(GetModuleFileName()).c_str(), win32::Wide(exe).c_str(), TRUE));
    EXPECT_FALSE(ProcessRunning("thunderbird stand-in.exe"));
    TChildProcess child(exe);
    ASSERT_TRUE(child.Started());
    EXPECT_TRUE(ProcessRunning("thunderbird stand-in.exe"));
    EXPECT_TRUE(ProcessRunning(exe));
    EXPECT_FALSE(ProcessRunning(folder / "elsewhere\\Thunderbird Stand-in.exe"));
    child.End();
    EXPECT_FALSE(ProcessRunning("thunderbird stand-in.exe"));
}

// The smallest automation object: what the running object table needs to hold it.
class TTestObject : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid != IID_IUnknown) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References_; }
    ULONG STDMETHODCALLTYPE Release() override { return --References_; }

private:
    std::atomic<ULONG> References_{1};
};

TEST(ProcessesTest, AnAutomationObjectRunsWhileItIsRegisteredAsActive) {
    const win32::TComScope com;
    GUID clsid;
    ASSERT_EQ(CoCreateGuid(&clsid), S_OK);
    wchar_t clsidText[40];
    StringFromGUID2(clsid, clsidText, 40);
    const std::string progId = "Quenlix.Win32Test" + std::to_string(GetCurrentProcessId());
    const std::wstring progIdKey = L"Software\\Classes\\" + win32::Wide(progId) + L"\\CLSID";
    ASSERT_EQ(RegSetKeyValueW(win32::LocalMachineKey, progIdKey.c_str(), nullptr, REG_SZ, clsidText,
                              static_cast<DWORD>((wcslen(clsidText) + 1) * 2)),
              ERROR_SUCCESS);

    EXPECT_FALSE(AutomationObjectRunning(progId));
    TTestObject object;
    DWORD cookie = 0;
    ASSERT_EQ(RegisterActiveObject(&object, clsid, ACTIVEOBJECT_STRONG, &cookie), S_OK);
    EXPECT_TRUE(AutomationObjectRunning(progId));
    RevokeActiveObject(cookie, nullptr);
    EXPECT_FALSE(AutomationObjectRunning(progId));
    EXPECT_FALSE(AutomationObjectRunning("Quenlix.NotRegistered"));
    EXPECT_FALSE(AutomationObjectRunning(""));
    RegDeleteTreeW(win32::LocalMachineKey, (L"Software\\Classes\\" + win32::Wide(progId)).c_str());
}

} // namespace
