// The bad-input catalogue: tests/badinput/<format>/<case>.case, one file per case, each holding
// its expected outcome and its input (see tests/badinput/README.md).

#include "HarnessFiles.h"

#include "FormatTarget.h"

#include <gtest/gtest.h>

#include <sstream>

namespace fs = std::filesystem;
using harness_test::FormatNames;
using harness_test::InputFiles;
using harness_test::SourceDir;

namespace {

struct TCase {
    std::string Error;               // expected fragment of the error message, or
    std::optional<std::string> Read; // the expected dump of what was read
    std::string Input;
};

std::string FromHex(const std::string& text) {
    std::string bytes;
    std::string digits;
    for (const char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            digits += c;
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
            throw std::runtime_error(std::string("not a hex digit: ") + c);
        }
    }
    if (digits.size() % 2 != 0) {
        throw std::runtime_error("odd number of hex digits");
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

std::string ToUtf16WithBom(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k) {
            code = (code << 6) | (static_cast<unsigned char>(utf8.at(i + k)) & 0x3F);
        }
        i += static_cast<std::size_t>(length);
        auto unit = [&bytes](std::uint32_t u) {
            bytes += static_cast<char>(u & 0xFF);
            bytes += static_cast<char>(u >> 8);
        };
        if (code >= 0x10000) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
    return bytes;
}

// The payload after "--- input" with its options applied.
std::string MakeInput(std::string payload, const std::string& options) {
    std::istringstream words(options);
    std::vector<std::string> list{std::istream_iterator<std::string>(words), {}};
    auto has = [&list](const char* option) {
        return std::find(list.begin(), list.end(), option) != list.end();
    };
    for (const std::string& option : list) {
        if (option != "hex" && option != "utf16" && option != "crlf" && option != "noeol") {
            throw std::runtime_error("unknown input option " + option);
        }
    }
    if (has("hex")) {
        return FromHex(payload);
    }
    if (has("noeol") && !payload.empty() && payload.back() == '\n') {
        payload.pop_back();
    }
    if (has("crlf")) {
        std::string crlf;
        for (const char c : payload) {
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        }
        payload = crlf;
    }
    return has("utf16") ? ToUtf16WithBom(payload) : payload;
}

TCase ReadCase(const fs::path& file) {
    const std::string text = harness_test::ReadBytes(file);
    TCase c;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            break;
        }
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.rfind("--- input", 0) == 0) {
            const std::string options = line.size() > 9 && line[9] == ':' ? line.substr(10) : "";
            c.Input = MakeInput(text.substr(pos), options);
            if (c.Error.empty() == !c.Read.has_value()) {
                throw std::runtime_error("a case expects either one error or one reading");
            }
            return c;
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.rfind("error: ", 0) == 0) {
            c.Error = line.substr(7);
        } else if (line == "read:") {
            c.Read = "";
        } else if (line.rfind("| ", 0) == 0 || line == "|") {
            if (!c.Read) {
                throw std::runtime_error("a \"|\" line outside \"read:\"");
            }
            *c.Read += (line.size() > 2 ? line.substr(2) : "") + "\n";
        } else {
            throw std::runtime_error("unexpected line: " + line);
        }
    }
    throw std::runtime_error("no \"--- input\" line");
}

const harness::TFormatTarget& Target(const std::string& name) {
    for (const harness::TFormatTarget& target : harness::FormatTargets()) {
        if (target.Name == name) {
            return target;
        }
    }
    throw std::logic_error("no format " + name);
}

class BadInput : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(BadInput, EveryCaseHasItsExpectedOutcome) {
    const harness::TFormatTarget& target = Target(GetParam());
    const auto files = InputFiles(SourceDir() / "tests" / "badinput" / target.Name);
    EXPECT_FALSE(files.empty()) << "no bad-input cases for " << target.Name;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        ASSERT_EQ(file.extension(), ".case");
        const TCase c = ReadCase(file);
        const std::string inputName = file.stem().string() + target.Extension;
        const std::string outcome = target.Describe(c.Input, inputName);
        if (std::getenv("QUENLIX_SHOW_OUTCOMES") != nullptr) {
            std::printf("== %s\n%s\n", file.filename().c_str(), outcome.c_str());
        }
        if (c.Read) {
            EXPECT_EQ(outcome, *c.Read);
            continue;
        }
        // An error must tell the user which file and which line.
        EXPECT_NE(c.Error.find(inputName), std::string::npos)
            << "the expected error names the file " << inputName;
        EXPECT_NE(c.Error.find("line "), std::string::npos) << "the expected error names a line";
        EXPECT_EQ(outcome.rfind("error: ", 0), 0u) << outcome;
        EXPECT_NE(outcome.find(c.Error), std::string::npos) << outcome;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, BadInput, ::testing::ValuesIn(FormatNames()),
                         [](const auto& info) { return info.param; });
