#include "OutlookExpressTestSupport.h"

#include "accounts/MailProfile.h"

#include "clients/outlook/StoredPasswords.h"
#include "platform/RegText.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace oe_test {

namespace {

std::string ReadHost(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("Cannot read " + file.string());
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

// UTF-16LE with a byte-order mark becomes UTF-8; CRLF becomes LF.
std::string Normalised(const std::string& text) {
    std::string utf8 = text;
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE) {
        utf8 = platform::Utf16ToUtf8(platform::reg::BytesToUtf16(
            reinterpret_cast<const std::uint8_t*>(text.data()) + 2, text.size() - 2));
    }
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] != '\r' || i + 1 >= utf8.size() || utf8[i + 1] != '\n') {
            out += utf8[i];
        }
    }
    return out;
}

} // namespace

std::string TestFile(const std::string& relativePath) {
    return ReadHost(std::filesystem::path(QUENLIX_SOURCE_DIR) / "tests" / "clients" / "outlook" /
                    relativePath);
}

std::string Key(const std::string& path) {
    return "\r\n[HKEY_CURRENT_USER\\" + path + "]\r\n";
}

std::string Str(const std::string& name, const std::string& text) {
    return "\"" + Escaped(name) + "\"=\"" + Escaped(text) + "\"\r\n";
}

std::string Hex(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::string line = "\"" + Escaped(name) + "\"=hex:";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        line += (i == 0 ? "" : ",") + std::string(digits);
    }
    return line + "\r\n";
}

std::string ExpandStr(const std::string& name, const std::string& text) {
    std::vector<std::uint8_t> bytes = platform::reg::StringToRegData(text);
    std::string line = Hex(name, bytes);
    return line.replace(line.find("=hex:"), 5, "=hex(2):");
}

std::string Dword(const std::string& name, std::uint32_t value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", value);
    return "\"" + Escaped(name) + "\"=dword:" + digits + "\r\n";
}

std::string Reference(const std::string& name, const std::string& reference) {
    return Hex(name, ReferenceValueBytes(TOutlookPasswordStore::OutlookExpress, reference));
}

std::string IdentityKeys(const std::string& identity, const std::string& userName) {
    return Key("Identities") + Str("Default User ID", identity) + Key("Identities\\" + identity) +
           Str("Username", userName) + Str("User ID", identity) + Dword("Identity Ordinal", 1);
}

std::string TopLevelTree(const std::string& identity) {
    const auto bytes = platform::GuidToBytes(*platform::StringToGuid(identity));
    return Key(AccountManager) + Key(TopAccounts) +
           Hex("AssociatedID", std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::string KeySection(const std::string& regText, const std::string& keyPath) {
    const std::string text = Normalised(regText);
    const std::string header = "[HKEY_CURRENT_USER\\" + keyPath + "]\n";
    const std::size_t start = text.find("\n" + header);
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t end = text.find("\n[", start + 1);
    return text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

void OutlookExpressFixture::Install(const std::string& hkcu, const std::string& ini,
                                    const std::string& hklm) {
    System_.reset(); // one system at a time: the old one uninstalls itself
    System_ = std::make_unique<testing_support::TTestSystem>(ini, hklm, hkcu);
    System_->WritePe(MsimnExe, 6, 0, 2900, 5512);
    InitOutlookWindowsVersion();
}

void OutlookExpressFixture::StorePassword(const std::string& reference,
                                          const std::string& password) {
    TStoredPasswords passwords(TOutlookPasswordStore::OutlookExpress);
    ASSERT_TRUE(passwords.ObtainProvider());
    passwords.WriteStoredPassword(reference, password);
}

std::string OutlookExpressFixture::StoredPassword(const std::string& reference) {
    TStoredPasswords passwords(TOutlookPasswordStore::OutlookExpress);
    return passwords.ObtainProvider() ? passwords.ReadStoredPassword(reference) : std::string();
}

std::unique_ptr<TOutlookExpressMailAccounts> OutlookExpressFixture::Load() {
    return std::make_unique<TOutlookExpressMailAccounts>(false);
}

std::unique_ptr<TOutlookExpressMailAccounts> OutlookExpressFixture::Load(TRandomSource& random) {
    return std::make_unique<TOutlookExpressMailAccounts>(false, random);
}

std::string OutlookExpressFixture::HiveText() const {
    return Normalised(ReadHost(System_->Root() / "registry" / "HKEY_CURRENT_USER.reg"));
}

std::optional<std::string> OutlookExpressFixture::StringAt(const std::string& key,
                                                           const std::string& name) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly("\\" + key) || !registry.ValueExists(name)) {
        return std::nullopt;
    }
    return registry.ReadString(name);
}

std::optional<std::int32_t> OutlookExpressFixture::IntegerAt(const std::string& key,
                                                             const std::string& name) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly("\\" + key) || !registry.ValueExists(name)) {
        return std::nullopt;
    }
    return registry.ReadInteger(name);
}

std::optional<std::vector<std::uint8_t>> OutlookExpressFixture::BinaryAt(const std::string& key,
                                                                         const std::string& name) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly("\\" + key) || !registry.ValueExists(name)) {
        return std::nullopt;
    }
    return registry.ReadBinaryData(name);
}

bool OutlookExpressFixture::KeyExists(const std::string& key) {
    return platform::TRegistry(platform::HKEY_CURRENT_USER).KeyExists("\\" + key);
}

void ApplyWizardSettings(TPOPMailAccount& a, const std::string& password) {
    a.SetAccountName(WizardAddress);
    a.SetDisplayName("Anna Muster");
    a.SetEmailAddress(WizardAddress);
    a.SetUserName(WizardAddress);
    a.SetPassword(password);
    a.SetRememberPassword(true);
    a.SetIncomingServer("pop.quenlix.example");
    a.SetUseSPA(false);
    a.SetUseSSL(true);
    a.SetIncomingPort(995);
    a.SetLeaveOnServer(true);
    a.SetSmtpServer("smtp.quenlix.example");
    a.SetSmtpAuthMode(1);
    a.SetSmtpUseSSL(true);
    a.SetSmtpUseSPA(false);
    a.SetSmtpPort(465);
    a.SetIsDefault(a.Profile()->AccountCount() < 2);
}

TPOPMailAccount& AddWizardAccount(TMailAccounts& store, const std::string& password) {
    auto* account = dynamic_cast<TPOPMailAccount*>(
        store.AddAccount(AccountKindPOP, WizardAddress, WizardAddress, password));
    if (account == nullptr) {
        throw std::runtime_error("the store made no POP3 account");
    }
    ApplyWizardSettings(*account, password);
    return *account;
}

void ExpectFailedSave(TMailAccount& account, platform::reg::TSaveFault fault,
                      const std::string& password) {
    platform::reg::SetSaveFaultForTesting(fault);
    ExpectFailedSave<std::exception>(account, password);
    platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::None);
}

} // namespace oe_test
