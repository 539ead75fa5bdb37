#include "platform/Processes.h"
#include "platform/Files.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;
using testing_support::TTestProcess;
using testing_support::TTestSystem;

TEST(Processes, RunningProgramsAreFoundByNameOrPathIgnoringCase) {
    TTestSystem sys;
    EXPECT_FALSE(ProcessRunning("thunderbird.exe"));
    TTestProcess tb = sys.StartProcess("C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe");

    EXPECT_TRUE(ProcessRunning("thunderbird.exe"));
    EXPECT_TRUE(ProcessRunning("THUNDERBIRD.EXE"));
    EXPECT_TRUE(ProcessRunning("c:\\program files\\mozilla thunderbird\\THUNDERBIRD.exe"));
    EXPECT_FALSE(ProcessRunning("C:\\Other\\thunderbird.exe"));
    EXPECT_FALSE(ProcessRunning("thunder"));
    EXPECT_FALSE(ProcessRunning(""));

    const auto snapshot = ProcessSnapshot();
    ASSERT_EQ(snapshot.size(), 1u); // nothing from the host or from other systems
    EXPECT_EQ(snapshot[0].ProcessId, tb.Pid());
    EXPECT_EQ(snapshot[0].ExePath, "C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe");

    tb.End();
    EXPECT_FALSE(tb.Running());
    EXPECT_FALSE(ProcessRunning("thunderbird.exe"));
}

TEST(Processes, ExitedButUnreapedProcessesDoNotCount) {
    TTestSystem sys;
    TTestProcess p = sys.StartProcess("C:\\Apps\\msimn.exe");
    ASSERT_TRUE(ProcessRunning("msimn.exe"));
    ::kill(p.Pid(), SIGKILL);
    for (int i = 0; i < 500 && ProcessRunning("msimn.exe"); ++i)
        ::usleep(2000);
    EXPECT_FALSE(ProcessRunning("msimn.exe"));
}

TEST(Processes, AutomationObjectRunsWhenItsLocalServerRuns) {
    TTestSystem sys(
        "", "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Outlook.Application]\n"
            "@=\"Microsoft Office Outlook\"\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Outlook.Application\\CLSID]\n"
            "@=\"{0006F03A-0000-0000-C000-000000000046}\"\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{0006F03A-0000-0000-C000-000000000046}"
            "\\LocalServer32]\n"
            "@=\"C:\\\\Program Files\\\\Office\\\\OUTLOOK.EXE /automation\"\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Quoted.Application\\CLSID]\n"
            "@=\"{11111111-0000-0000-C000-000000000046}\"\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{11111111-0000-0000-C000-000000000046}"
            "\\LocalServer32]\n"
            "@=\"\\\"C:\\\\Apps\\\\quoted server.exe\\\" -Embedding\"\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Classes\\NoServer.Application\\CLSID]\n"
            "@=\"{22222222-0000-0000-C000-000000000046}\"\n");

    EXPECT_FALSE(AutomationObjectRunning("Outlook.Application"));
    TTestProcess outlook = sys.StartProcess("C:\\Program Files\\Office\\outlook.exe");
    EXPECT_TRUE(AutomationObjectRunning("Outlook.Application"));
    EXPECT_TRUE(AutomationObjectRunning("outlook.application"));
    // The same file name in another folder is not the registered server.
    outlook.End();
    TTestProcess elsewhere = sys.StartProcess("C:\\Elsewhere\\OUTLOOK.EXE");
    EXPECT_FALSE(AutomationObjectRunning("Outlook.Application"));

    EXPECT_FALSE(AutomationObjectRunning("Quoted.Application"));
    TTestProcess quoted = sys.StartProcess("C:\\Apps\\quoted server.exe");
    EXPECT_TRUE(AutomationObjectRunning("Quoted.Application"));

    EXPECT_FALSE(AutomationObjectRunning("NoServer.Application"));
    EXPECT_FALSE(AutomationObjectRunning("Missing.Application"));
    EXPECT_FALSE(AutomationObjectRunning(""));
}
