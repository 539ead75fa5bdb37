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
    const std::string text = SysErrorMessage(error);
    return text.empty() ? "error " + std::to_string(error) : text;
}

} // namespace platform::win32
