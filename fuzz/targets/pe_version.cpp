// Version resources of PE files: any bytes give a version or none, never a read outside them;
// and an image we make with a version reads back with that version.

#include "FormatTarget.h"

#include "platform/VersionInfo.h"

#include <cstring>

namespace {

std::uint32_t Word(std::string_view bytes, std::size_t index) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t at = index * 4 + i;
        const auto byte = at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0u;
        word |= static_cast<std::uint32_t>(byte) << (8 * i);
    }
    return word;
}

void Fuzz(std::string_view input) {
    (void)platform::ReadFixedFileVersionBytes(std::string(input));

    platform::TFixedFileVersion version;
    version.FileVersionMS = Word(input, 0);
    version.FileVersionLS = Word(input, 1);
    version.ProductVersionMS = Word(input, 2);
    version.ProductVersionLS = Word(input, 3);
    for (const bool pe32Plus : {false, true}) {
        const auto back =
            platform::ReadFixedFileVersionBytes(platform::MakeVersionedPeImage(version, pe32Plus));
        harness::Require(back && back->FileVersionMS == version.FileVersionMS &&
                             back->FileVersionLS == version.FileVersionLS &&
                             back->ProductVersionMS == version.ProductVersionMS &&
                             back->ProductVersionLS == version.ProductVersionLS,
                         "a made image does not read back with its version");
    }
}

std::string Text(std::uint32_t ms, std::uint32_t ls) {
    return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." +
           std::to_string(ls >> 16) + "." + std::to_string(ls & 0xFFFF);
}

std::string Describe(const std::string& bytes, const std::string&) {
    const auto version = platform::ReadFixedFileVersionBytes(bytes);
    if (!version) {
        return "no version\n";
    }
    return "file " + Text(version->FileVersionMS, version->FileVersionLS) + "\nproduct " +
           Text(version->ProductVersionMS, version->ProductVersionLS) + "\n";
}

const harness::TRegistration Registered{{"pe_version", ".exe", &Fuzz, &Describe}};

} // namespace
