// The machine's code pages through WideCharToMultiByte and MultiByteToWideChar, with the system's
// best-fit mapping for characters a code page lacks.

#include "platform/win32/WindowsApi.h"

#include "platform/CodePage.h"
#include "platform/System.h"

namespace platform {

namespace {

std::uint32_t Resolve(std::uint32_t codePage) {
    const std::uint32_t number = codePage == CP_ACP ? ::GetACP() : codePage;
    if (!::IsValidCodePage(number)) {
        throw ESystemError("The code page " + std::to_string(codePage) +
                           " is not known to this system");
    }
    return number;
}

std::wstring ToWide(std::uint32_t codePage, std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int count = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), count, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), count, wide.data(), length);
    return wide;
}

} // namespace

bool IsValidCodePage(std::uint32_t codePage) {
    return ::IsValidCodePage(codePage) != 0;
}

std::uint32_t GetACP() {
    return ::GetACP();
}

std::string Utf8ToCodePage(std::uint32_t codePage, std::string_view text, bool* replaced) {
    const std::uint32_t number = Resolve(codePage);
    const std::wstring wide = win32::Wide(text);
    std::string out;
    if (!wide.empty()) {
        const int count = static_cast<int>(wide.size());
        const int length =
            WideCharToMultiByte(number, 0, wide.data(), count, nullptr, 0, nullptr, nullptr);
        out.resize(static_cast<std::size_t>(length));
        WideCharToMultiByte(number, 0, wide.data(), count, out.data(), length, nullptr, nullptr);
    }
    // The system tells about "?" but not about best fits: a text that does not come back
    // unchanged had characters replaced.
    if (replaced != nullptr) {
        *replaced = ToWide(number, out) != wide;
    }
    return out;
}

std::string CodePageToUtf8(std::uint32_t codePage, std::string_view bytes) {
    return win32::Utf8(ToWide(Resolve(codePage), bytes));
}

std::string Utf8ToAnsi(std::string_view text, bool* replaced) {
    return Utf8ToCodePage(CP_ACP, text, replaced);
}

std::string AnsiToUtf8(std::string_view bytes) {
    return CodePageToUtf8(CP_ACP, bytes);
}

} // namespace platform
