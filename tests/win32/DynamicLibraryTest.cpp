// Libraries loaded at run time, with the folder of a library named by its path searched first
// for the libraries it needs.

#include "WinTestSupport.h"

#include "platform/DynamicLibrary.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;
using win32_test::TTestFolder;

// The fixture libraries lie in a folder of their own below the program's, so neither the
// program's folder nor any other searched folder holds them.
std::string Fixture(const std::string& name) {
    return win32_test::ProgramFolder() + "\\fixtures\\" + name;
}

void CopyInto(const TTestFolder& folder, const std::string& name) {
    ASSERT_TRUE(
        CopyFileW(win32::Wide(Fixture(name)).c_str(), win32::Wide(folder / name).c_str(), TRUE))
        << Fixture(name);
}

TEST(DynamicLibraryTest, ALibraryFindsTheLibrariesBesideIt) {
    TTestFolder folder;
    CopyInto(folder, "qneedsneighbour.dll");
    // Without its neighbour it cannot be loaded, and no message box stops the program.
    EXPECT_FALSE(TDynamicLibrary::Load(folder / "qneedsneighbour.dll"));

    CopyInto(folder, "qneighbour.dll");
    const auto library = TDynamicLibrary::Load(folder / "qneedsneighbour.dll");
    ASSERT_TRUE(library);
    using TAsk = int (*)();
    const auto ask = reinterpret_cast<TAsk>(library->Symbol("QuenlixAskNeighbour"));
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(ask(), 43);
    EXPECT_EQ(library->Symbol("NoSuchExport"), nullptr);
}

TEST(DynamicLibraryTest, SystemLibrariesAndWhatIsNoLibrary) {
    const auto kernel = TDynamicLibrary::Load("kernel32.dll");
    ASSERT_TRUE(kernel);
    EXPECT_NE(kernel->Symbol("GetTickCount"), nullptr);

    TTestFolder folder;
    WriteFileAtomic(folder / "nss3.dll", "not a library");
    EXPECT_FALSE(TDynamicLibrary::Load(folder / "nss3.dll"));
    EXPECT_FALSE(TDynamicLibrary::Load(folder / "missing.dll"));
    EXPECT_FALSE(TDynamicLibrary::Load(""));
}

} // namespace
