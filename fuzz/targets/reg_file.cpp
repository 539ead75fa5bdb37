// .reg hive files: whatever the reader accepts, the writer writes so that it reads back to the
// same hive (the export of the export is the export).

#include "FormatTarget.h"

#include "platform/RegFile.h"
#include "platform/RegText.h"

#include <memory>

namespace {

using platform::reg::ERegFileError;

// Inputs that speak of the machine's hive are read as it; all others as the user's.
std::string RootNameFor(const std::string& bytes) {
    for (const std::string_view name : {"HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT"}) {
        std::string wide;
        for (const char c : name) {
            wide += c;
            wide += '\0';
        }
        if (bytes.find(name) != std::string::npos || bytes.find(wide) != std::string::npos) {
            return "HKEY_LOCAL_MACHINE";
        }
    }
    return "HKEY_CURRENT_USER";
}

std::unique_ptr<platform::reg::TRegKey> Read(const std::string& bytes, const std::string& fileName,
                                             const std::string& rootName) {
    auto root = std::make_unique<platform::reg::TRegKey>(rootName, nullptr);
    root->Implicit = true; // as a hive's root starts out
    platform::reg::ParseRegFile(bytes, fileName, rootName, *root);
    return root;
}

// Same names, values (name, type, data, order) and subkeys all the way down; walked with a
// stack of its own, as hives may be 512 levels deep.
bool SameContent(const platform::reg::TRegKey& a, const platform::reg::TRegKey& b) {
    std::vector<std::pair<const platform::reg::TRegKey*, const platform::reg::TRegKey*>> pending{
        {&a, &b}};
    while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        if (x->Name() != y->Name() || x->Values().size() != y->Values().size() ||
            x->SubKeys().size() != y->SubKeys().size()) {
            return false;
        }
        for (std::size_t i = 0; i < x->Values().size(); ++i) {
            const auto& v = x->Values()[i];
            const auto& w = y->Values()[i];
            if (v.Name != w.Name || v.Type != w.Type || v.Data != w.Data) {
                return false;
            }
        }
        for (auto i = x->SubKeys().begin(), j = y->SubKeys().begin(); i != x->SubKeys().end();
             ++i, ++j) {
            pending.emplace_back(i->second.get(), j->second.get());
        }
    }
    return true;
}

void Fuzz(std::string_view input) {
    const std::string bytes(input);
    const std::string rootName = RootNameFor(bytes);
    std::unique_ptr<platform::reg::TRegKey> first;
    try {
        first = Read(bytes, "fuzz.reg", rootName);
    } catch (const ERegFileError&) {
        return;
    }
    const std::string written = platform::reg::FormatRegFile(*first, rootName);
    std::unique_ptr<platform::reg::TRegKey> second;
    try {
        second = Read(written, "written.reg", rootName);
    } catch (const ERegFileError& error) {
        harness::Require(false, std::string("what we wrote does not read back: ") + error.what());
    }
    harness::Require(SameContent(*first, *second), "what we wrote reads back to another hive");
    harness::Require(platform::reg::FormatRegFile(*second, rootName) == written,
                     "what we wrote is not written again byte for byte");
}

// The hive as its export, in UTF-8 with LF line ends.
std::string Describe(const std::string& bytes, const std::string& fileName) {
    const std::string rootName = RootNameFor(bytes);
    std::unique_ptr<platform::reg::TRegKey> root;
    try {
        root = Read(bytes, fileName, rootName);
    } catch (const ERegFileError& error) {
        return std::string("error: ") + error.what();
    }
    const std::string written = platform::reg::FormatRegFile(*root, rootName);
    const std::string text = platform::reg::Utf16ToUtf8(platform::reg::BytesToUtf16(
        reinterpret_cast<const std::uint8_t*>(written.data()) + 2, written.size() - 2));
    std::string lf;
    for (const char c : text) {
        if (c != '\r') {
            lf += c;
        }
    }
    return lf;
}

const harness::TRegistration Registered{{"reg_file", ".reg", &Fuzz, &Describe}};

} // namespace
