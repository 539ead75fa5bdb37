#include "platform/win32/WindowsApi.h"

#include "platform/TextCodec.h"

namespace platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows API's wide text is UTF-16");

std::wstring Wide(std::string_view utf8) {
    const std::u16string text = Utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

std::string Utf8(std::wstring_view wide) {
    return Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

std::string ErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const std::unique_ptr<void, TLocalFree> owner(buffer);
    std::wstring text = length == 0 ? std::wstring() : std::wstring(buffer, length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        char number[32];
        snprintf(number, sizeof number, "error %lu", static_cast<unsigned long>(error));
        return number;
    }
    return Utf8(text);
}

} // namespace platform::win32
