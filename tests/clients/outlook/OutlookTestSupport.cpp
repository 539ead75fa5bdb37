#include "OutlookTestSupport.h"

#include "accounts/HexText.h"
#include "platform/RegText.h"

namespace outlook_test {

std::string Wide(const std::string& name, const std::string& text) {
    return Hex(name, platform::reg::StringToRegData(text));
}

std::string HexDigits(const std::string& name, const std::string& digits) {
    return Hex(name, HexToBytes(digits).value());
}

std::string OutlookMachineKeys() {
    return "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
           "OUTLOOK.EXE]\r\n@=\"C:\\\\Program Files\\\\Microsoft Office\\\\Office\\\\OUTLOOK.EXE\""
           "\r\n\"Path\"=\"C:\\\\Program Files\\\\Microsoft Office\\\\Office\\\\\"\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Outlook.Application\\CLSID]\r\n"
           "@=\"{0006F03A-0000-0000-C000-000000000046}\"\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\"
           "{0006F03A-0000-0000-C000-000000000046}\\LocalServer32]\r\n"
           "@=\"C:\\\\Program Files\\\\Microsoft Office\\\\Office\\\\OUTLOOK.EXE "
           "/automation\"\r\n";
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string Outlook2000Profiles() {
    return TestFile("fixtures/outlook2000_profiles.reg");
}

std::string Outlook2000WithoutQualifyingProfile() {
    return Replaced(Outlook2000Profiles(), "\"000b0340\"=hex:00,00", "\"000b0340\"=hex:01,00");
}

void OutlookFixture::InstallOutlook(const std::string& hkcu, int majorVersion,
                                    const std::string& ini) {
    Install(hkcu, ini, OutlookMachineKeys());
    const int builds[] = {5606, 2627, 2627, 6626, 8217, 6423};
    const int index = majorVersion >= 8 && majorVersion <= 12 ? majorVersion - 8 : 0;
    System().WritePe(OutlookExe, majorVersion, 0, builds[index], 0);
}

} // namespace outlook_test
