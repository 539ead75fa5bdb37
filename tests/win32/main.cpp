// The Windows tests. Started with "--wait-to-be-ended", the program is the child process of the
// process tests instead: it waits (at most a minute) until the test ends it.

#include "platform/win32/WindowsApi.h"

#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--wait-to-be-ended") == 0) {
        Sleep(60000);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
