#include "platform/VersionInfo.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <random>

using namespace platform;

namespace {

TFixedFileVersion Sample() {
    TFixedFileVersion v;
    v.FileVersionMS = (12u << 16) | 3u;
    v.FileVersionLS = (6252u << 16) | 5000u;
    v.ProductVersionMS = (12u << 16) | 0u;
    v.ProductVersionLS = (4518u << 16) | 1014u;
    return v;
}

void ExpectSame(const std::optional<TFixedFileVersion>& got, const TFixedFileVersion& want) {
    ASSERT_TRUE(got);
    EXPECT_EQ(got->FileVersionMS, want.FileVersionMS);
    EXPECT_EQ(got->FileVersionLS, want.FileVersionLS);
    EXPECT_EQ(got->ProductVersionMS, want.ProductVersionMS);
    EXPECT_EQ(got->ProductVersionLS, want.ProductVersionLS);
}

} // namespace

TEST(VersionInfo, BuiltImagesReadBackIn32And64BitForm) {
    const TFixedFileVersion v = Sample();
    ExpectSame(ReadFixedFileVersionBytes(MakeVersionedPeImage(v)), v);
    ExpectSame(ReadFixedFileVersionBytes(MakeVersionedPeImage(v, true)), v);

    const TFixedFileVersion made = MakeVersion(2, 0, 0, 24);
    EXPECT_EQ(made.FileVersionMS, 0x00020000u);
    EXPECT_EQ(made.FileVersionLS, 0x00000018u);
    EXPECT_EQ(made.ProductVersionMS, made.FileVersionMS);
}

TEST(VersionInfo, ReadsFilesOnTheDrive) {
    testing_support::TTestSystem sys;
    sys.WritePe("C:\\Program Files\\Client\\client.exe", 3, 1, 4, 15);
    const auto v = ReadFixedFileVersion("c:\\program files\\client\\CLIENT.EXE");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->FileVersionMS, (3u << 16) | 1u);
    EXPECT_EQ(v->FileVersionLS, (4u << 16) | 15u);
    sys.WriteFile("C:\\Program Files\\Client\\readme.txt", "not an executable");
    EXPECT_FALSE(ReadFixedFileVersion("C:\\Program Files\\Client\\readme.txt"));
    EXPECT_FALSE(ReadFixedFileVersion("C:\\Program Files\\Client\\missing.exe"));
}

TEST(VersionInfo, ImagesWithoutAVersionResourceHaveNone) {
    std::string image = MakeVersionedPeImage(Sample());
    // Resource type 16 renamed to 3 (an icon): the image has resources but no version.
    std::string noVersion = image;
    ASSERT_EQ(static_cast<unsigned char>(noVersion[0x200 + 16]), 16);
    noVersion[0x200 + 16] = 3;
    EXPECT_FALSE(ReadFixedFileVersionBytes(noVersion));
    // A broken fixed-info signature is no version either.
    std::string badSignature = image;
    badSignature[0x200 + 88 + 40] ^= 0x01;
    EXPECT_FALSE(ReadFixedFileVersionBytes(badSignature));
    EXPECT_FALSE(ReadFixedFileVersionBytes(""));
    EXPECT_FALSE(ReadFixedFileVersionBytes("MZ"));
}

TEST(VersionInfo, TruncatedOrScrambledImagesNeverCrash) {
    for (bool wide : {false, true}) {
        const std::string image = MakeVersionedPeImage(Sample(), wide);
        // The version block ends 180 bytes into the resource section; every shorter file lacks it.
        for (std::size_t length = 0; length < 0x200 + 180; ++length)
            EXPECT_FALSE(ReadFixedFileVersionBytes(image.substr(0, length))) << length;
        ExpectSame(ReadFixedFileVersionBytes(image.substr(0, 0x200 + 180)), Sample());

        std::mt19937 random(wide ? 7 : 11);
        for (int round = 0; round < 3000; ++round) {
            std::string scrambled = image;
            for (int i = 0; i < 4; ++i)
                scrambled[random() % scrambled.size()] = static_cast<char>(random());
            // Any answer is acceptable; reading outside the buffer is not.
            (void)ReadFixedFileVersionBytes(scrambled);
        }
    }
}
