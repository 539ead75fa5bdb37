// The libFuzzer entry of a fuzz_<name> program: exactly one format is linked in.

#include "FormatTarget.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& targets = harness::FormatTargets();
    if (targets.size() != 1) {
        std::fprintf(stderr, "a fuzz program needs exactly one format, it has %zu\n",
                     targets.size());
        std::abort();
    }
    try {
        targets.front().Fuzz(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const std::exception& error) {
        // libFuzzer keeps the input of an abort as a crash.
        std::fprintf(stderr, "%s: %s\n", targets.front().Name.c_str(), error.what());
        std::abort();
    }
    return 0;
}
