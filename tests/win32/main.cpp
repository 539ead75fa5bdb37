// The Windows tests. Started with one of the child modes below, the program serves a test as
// its child process instead.

#include "platform/win32/WindowsApi.h"

#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

int main(int argc, char** argv) {
    // A process that runs until the test ends it (at most a minute).
    if (argc == 2 && std::strcmp(argv[1], "--wait-to-be-ended") == 0) {
        Sleep(60000);
        return 0;
    }
    // A save that kills its process at a step of its commit.
    if (argc == 4 && std::strcmp(argv[1], "--save-killed-at") == 0) {
        return win32_test::SaveKilledAt(std::stoi(argv[2]), argv[3]);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
