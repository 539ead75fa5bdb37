#pragma once
// One file format in the reliability harness. Each format is one file under fuzz/targets/
// that registers a TFormatTarget, and one line in fuzz/CMakeLists.txt. The same file serves
// three runners: its libFuzzer program (fuzz_<name>), the replay of its corpus and past crash
// inputs in the normal test run, and the bad-input catalogue (tests/badinput/<name>/).

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace harness {

// A property of a format that does not hold for an input (a crash by other means).
class EPropertyFailed : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Raises EPropertyFailed with `what` unless the property holds.
void Require(bool holds, const std::string& what);

struct TFormatTarget {
    std::string Name;      // "reg_file": names the program, the corpus and catalogue folders
    std::string Extension; // ".reg": the catalogue gives its inputs file names with it
    // Reads one input and checks what holds for every input (parse, write, parse again gives
    // the same content). Errors that the format reports for bad input are expected and caught;
    // anything else escapes (EPropertyFailed, another exception, a crash).
    void (*Fuzz)(std::string_view bytes);
    // What reading the bytes gives, for the catalogue: "error: " and the message raised, or a
    // text dump of what was read. fileName is what the input is called for the parser.
    std::string (*Describe)(const std::string& bytes, const std::string& fileName);
};

// Every format linked into this program, in registration order.
const std::vector<TFormatTarget>& FormatTargets();

// Registers a format at start-up: `static const TRegistration Registered{{...}};`.
struct TRegistration {
    explicit TRegistration(TFormatTarget target);
};

} // namespace harness
