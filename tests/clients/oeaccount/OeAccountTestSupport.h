#pragma once
// Simulated systems with Windows Mail (on Vista) or Windows Live Mail (on Windows 7) installed as
// the clients install themselves, and account files written as the clients write them: UTF-16LE
// with a byte-order mark, CRLF line ends, tab-indented elements.

#include "accounts/HexText.h"
#include "accounts/RegistryHelpers.h"
#include "clients/oeaccount/OeAccountDocument.h"
#include "clients/oeaccount/OeAccountPasswords.h"
#include "clients/oeaccount/WindowsMail.h"
#include "clients/oeaccount/windowslivemail.h"
#include "platform/RegText.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace oeaccount_test {

// The text as UTF-16LE behind a byte-order mark.
inline std::string Utf16File(const std::string& text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    platform::reg::AppendUtf16Bytes(bytes, platform::Utf8ToUtf16(text));
    return std::string(bytes.begin(), bytes.end());
}

// Text as the clients write their files: every "\n" a CRLF, UTF-16LE behind a byte-order mark.
inline std::string ClientFile(const std::string& text) {
    std::string crlf;
    for (char c : text) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return Utf16File(crlf);
}

// The UTF-8 text of UTF-16LE bytes behind a byte-order mark (for messages and searches).
inline std::string FileText(const std::string& bytes) {
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) {
        return "<no UTF-16LE byte-order mark>";
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data()) + 2;
    return platform::Utf16ToUtf8(platform::reg::BytesToUtf16(data, (bytes.size() - 2) & ~1u));
}

// A golden file of this folder's golden/ as bytes.
inline std::string Golden(const std::string& name) {
    std::ifstream in(std::string(QUENLIX_OEACCOUNT_TEST_DIR) + "/golden/" + name, std::ios::binary);
    EXPECT_TRUE(in) << "missing golden file " << name;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// .reg data of an expandable string value (hex(2):, UTF-16LE with its NUL) and of a binary one.
inline std::string RegHexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (std::uint8_t b : bytes) {
        text += (text.empty() ? "" : ",") + BytesToHex(&b, 1);
    }
    return text;
}
inline std::string RegExpandString(const std::string& text) {
    return "hex(2):" + RegHexBytes(platform::reg::StringToRegData(text));
}
inline std::string RegBinary(const std::vector<std::uint8_t>& bytes) {
    return "hex:" + RegHexBytes(bytes);
}

// The salt every fixture client has, unless a test wants none.
inline const std::vector<std::uint8_t> FixtureSalt = {
    0x5A, 0x0C, 0x91, 0x3E, 0xD2, 0x47, 0x88, 0x1B, 0xF0, 0x66, 0x2D, 0xA9, 0x13, 0x7E, 0xC4, 0x05};
inline const std::string FixtureSaltHex = BytesToHex(FixtureSalt);

// The saved file with each sealed password (checked to unseal to the password given for its
// value) as "@SEALED@", for a comparison with a golden file.
inline std::string MaskSealed(const std::string& bytes,
                              const std::map<std::string, std::string>& passwords,
                              const std::string& saltHex = FixtureSaltHex) {
    std::string text = FileText(bytes);
    const auto document = TOeAccountDocument::Parse(bytes);
    EXPECT_TRUE(document.has_value());
    for (const auto& [value, password] : passwords) {
        const std::string sealed = document ? ReadBinaryValue(*document, value, "") : "";
        EXPECT_FALSE(sealed.empty()) << value;
        EXPECT_EQ(UnprotectPassword(sealed, saltHex), password) << value;
        const std::size_t at = sealed.empty() ? std::string::npos : text.find(sealed);
        if (at != std::string::npos) {
            text.replace(at, sealed.size(), "@SEALED@");
        }
    }
    return Utf16File(text);
}

enum class TClient { WindowsMail, WindowsLiveMail };

// The client as the name of a parameterised test.
inline std::string ClientTestName(const ::testing::TestParamInfo<TClient>& info) {
    return info.param == TClient::WindowsMail ? "WindowsMail" : "WindowsLiveMail";
}

// The "Default Mail Account" value both clients share, or "<no IAM key>".
inline std::string DefaultMailAccount() {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    return registry.OpenKeyReadOnly("\\Software\\Microsoft\\IAM")
               ? ReadRegStringChecked(registry, "Default Mail Account")
               : "<no IAM key>";
}

// .reg text of the current user with `name` as "Default Mail Account".
inline std::string DefaultMailAccountReg(const std::string& name) {
    return "[HKEY_CURRENT_USER\\Software\\Microsoft\\IAM]\n\"Default Mail Account\"=\"" + name +
           "\"\n\n";
}

// The message of the E that `action` throws; a failure when it throws nothing.
template <typename E, typename F> std::string ErrorOf(F&& action) {
    try {
        action();
    } catch (const E& error) {
        return error.what();
    }
    ADD_FAILURE() << "the action reported success";
    return "";
}

// How the fixture installs a client.
struct TInstall {
    bool Program = true; // the App Paths entry and the program file
    bool VersionResource = true;
    bool ClientKey = true;                          // HKCU\Software\Microsoft\<client>
    std::string SaltValue = RegBinary(FixtureSalt); // empty: no "Salt" value
    std::string ExtraHkcu;                          // more .reg text of the current user
    std::string DefaultMailClient = "Windows Mail";
};

// The default installation with one field changed: InstallWith(&TInstall::Program, false).
template <typename T, typename V> TInstall InstallWith(T TInstall::*field, V value) {
    TInstall install;
    install.*field = std::move(value);
    return install;
}

inline const std::string WindowsMailExe = "C:\\Program Files\\Windows Mail\\WinMail.exe";
inline const std::string LiveMailExe = "C:\\Program Files\\Windows Live\\Mail\\wlmail.exe";

class OeAccountFixture : public ::testing::Test {
protected:
    // Windows Mail on Vista: App Paths holds "%ProgramFiles%\Windows Mail\WinMail.exe" as an
    // expandable string. Windows Live Mail on Windows 7: a plain string with the full path.
    void Install(TClient client, const TInstall& install = {}) {
        const bool mail = client == TClient::WindowsMail;
        const std::string exeName = mail ? "WinMail.exe" : "wlmail.exe";
        const std::string clientKey = mail ? "Windows Mail" : "Windows Live Mail";
        std::string hklm =
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Clients\\Mail]\n@=\"" + install.DefaultMailClient +
            "\"\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Clients\\Mail]\n@=\"" +
            install.DefaultMailClient + "\"\n\n";
        if (install.Program) {
            hklm +=
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" +
                exeName + "]\n@=" +
                (mail ? RegExpandString("%ProgramFiles%\\Windows Mail\\WinMail.exe")
                      : "\"C:\\\\Program Files\\\\Windows Live\\\\Mail\\\\wlmail.exe\"") +
                "\n\n";
        }
        std::string hkcu = install.ExtraHkcu;
        if (install.ClientKey) {
            hkcu += "[HKEY_CURRENT_USER\\Software\\Microsoft\\" + clientKey + "]\n";
            if (!install.SaltValue.empty()) {
                hkcu += "\"Salt\"=" + install.SaltValue + "\n";
            }
            hkcu += "\n";
        }
        const auto windows =
            mail ? testing_support::TTestWindows::Vista : testing_support::TTestWindows::Win7;
        System.reset(); // one simulated system at a time
        System = std::make_unique<testing_support::TTestSystem>(
            testing_support::TTestMachine().Windows(windows).Ini(), hklm, hkcu);
        Exe = mail ? WindowsMailExe : LiveMailExe;
        if (install.Program && install.VersionResource) {
            if (mail) {
                System->WritePe(Exe, 6, 0, 6002, 18005);
            } else {
                System->WritePe(Exe, 15, 4, 3555, 308);
            }
        } else if (install.Program) {
            System->WriteFile(Exe, "MZ"); // a program without a version resource
        }
        StoreDir = platform::MachineFacts().LocalAppData + "\\Microsoft\\" + clientKey + "\\";
    }

    // Writes an account file below the store folder ("Local Folders\\x.oeaccount"); its path.
    std::string WriteAccount(const std::string& relativePath, const std::string& text) const {
        System->WriteFile(StoreDir + relativePath, ClientFile(text));
        return StoreDir + relativePath;
    }
    std::string ReadAccount(const std::string& path) const { return System->ReadFile(path); }

    static std::string Sealed(const std::string& password) {
        return ProtectPassword(password, FixtureSaltHex);
    }

    // The store of the installed client, made as the program makes it.
    static std::unique_ptr<TOeAccountStore> MakeStore(TClient client, bool autoSave = false,
                                                      TRandomSource& random = SystemRandom()) {
        if (client == TClient::WindowsMail) {
            return std::make_unique<TWindowsMailAccounts>(autoSave, random);
        }
        return std::make_unique<TWindowsLiveMailAccounts>(autoSave, random);
    }

    std::unique_ptr<testing_support::TTestSystem> System;
    std::string Exe;
    std::string StoreDir; // with the trailing backslash
};

// A POP account as Windows Mail writes it, with elements the stores do not know and DWORDs both
// zero-padded and short. `sealed` is the POP3_Password2 text.
inline std::string ClientPopAccount(const std::string& sealed) {
    return "<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"
           "<MessageAccount>\n"
           "\t<Account_Name type=\"SZ\">Quenlix</Account_Name>\n"
           "\t<Connection_Type type=\"DWORD\">00000003</Connection_Type>\n"
           "\t<POP3_Server type=\"SZ\">pop.quenlix.example</POP3_Server>\n"
           "\t<POP3_User_Name type=\"SZ\">anna.muster@quenlix.example</POP3_User_Name>\n"
           "\t<POP3_Password2 type=\"BINARY\">" +
           sealed +
           "</POP3_Password2>\n"
           "\t<POP3_Port type=\"DWORD\">3e3</POP3_Port>\n"
           "\t<POP3_Secure_Connection type=\"DWORD\">00000001</POP3_Secure_Connection>\n"
           "\t<POP3_Prompt_for_Password type=\"DWORD\">00000000</POP3_Prompt_for_Password>\n"
           "\t<SMTP_Server type=\"SZ\">smtp.quenlix.example</SMTP_Server>\n"
           "\t<SMTP_Display_Name type=\"SZ\">Anna Müller</SMTP_Display_Name>\n"
           "\t<SMTP_Email_Address type=\"SZ\">anna.muster@quenlix.example</SMTP_Email_Address>\n"
           "\t<SMTP_Port type=\"DWORD\">000001d1</SMTP_Port>\n"
           "\t<SMTP_Secure_Connection type=\"DWORD\">00000001</SMTP_Secure_Connection>\n"
           "\t<SMTP_Split_Messages type=\"DWORD\">00000000</SMTP_Split_Messages>\n"
           "\t<SMTP_Use_Sicily type=\"DWORD\">00000002</SMTP_Use_Sicily>\n"
           "\t<Leave_Mail_On_Server type=\"DWORD\">00000001</Leave_Mail_On_Server>\n"
           "\t<Remove_When_Deleted type=\"DWORD\">00000001</Remove_When_Deleted>\n"
           "\t<Remove_When_Expired type=\"DWORD\">00000001</Remove_When_Expired>\n"
           "\t<Expire_Days type=\"DWORD\">e</Expire_Days>\n"
           "\t<POP3_Skip_Account type=\"DWORD\">00000000</POP3_Skip_Account>\n"
           "</MessageAccount>\n";
}

// The client's POP account with its incoming server changed to pop2.quenlix.example.
inline std::string ClientPopAccountOnPop2(const std::string& sealed) {
    std::string text = ClientPopAccount(sealed);
    text.replace(text.find("pop.quenlix.example"), 19, "pop2.quenlix.example");
    return text;
}

// An IMAP account on a dial-up connection with its own outgoing login.
inline std::string ClientImapAccount(const std::string& sealed, const std::string& smtpSealed) {
    return "<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"
           "<MessageAccount>\n"
           "\t<Account_Name type=\"SZ\">Work: Mail</Account_Name>\n"
           "\t<Connection_Type type=\"DWORD\">00000002</Connection_Type>\n"
           "\t<Connectoid type=\"SZ\">Office Dial-up</Connectoid>\n"
           "\t<IMAP_Server type=\"SZ\">imap.example.org</IMAP_Server>\n"
           "\t<IMAP_User_Name type=\"SZ\">bob</IMAP_User_Name>\n"
           "\t<IMAP_Password2 type=\"BINARY\">" +
           sealed +
           "</IMAP_Password2>\n"
           "\t<IMAP_Use_Sicily type=\"DWORD\">00000001</IMAP_Use_Sicily>\n"
           "\t<IMAP_Root_Folder type=\"SZ\">INBOX</IMAP_Root_Folder>\n"
           "\t<IMAP_Polling type=\"DWORD\">00000001</IMAP_Polling>\n"
           "\t<SMTP_Server type=\"SZ\">smtp.example.org</SMTP_Server>\n"
           "\t<SMTP_Display_Name type=\"SZ\">Bob</SMTP_Display_Name>\n"
           "\t<SMTP_Email_Address type=\"SZ\">bob@example.org</SMTP_Email_Address>\n"
           "\t<SMTP_Reply_To_Email_Address "
           "type=\"SZ\">desk@example.org</SMTP_Reply_To_Email_Address>\n"
           "\t<SMTP_Organization_Name type=\"SZ\">Example &amp; Co</SMTP_Organization_Name>\n"
           "\t<SMTP_User_Name type=\"SZ\">bob-out</SMTP_User_Name>\n"
           "\t<SMTP_Password2 type=\"BINARY\">" +
           smtpSealed +
           "</SMTP_Password2>\n"
           "\t<SMTP_Use_Sicily type=\"DWORD\">00000003</SMTP_Use_Sicily>\n"
           "\t<SMTP_Timeout type=\"DWORD\">0000005a</SMTP_Timeout>\n"
           "</MessageAccount>\n";
}

// The news account Windows Mail sets up itself: no account the stores know.
inline const std::string ClientNewsAccount =
    "<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"
    "<MessageAccount>\n"
    "\t<Account_Name type=\"SZ\">Communities</Account_Name>\n"
    "\t<Connection_Type type=\"DWORD\">00000003</Connection_Type>\n"
    "\t<NNTP_Server type=\"SZ\">news.example.org</NNTP_Server>\n"
    "\t<NNTP_Port type=\"DWORD\">00000077</NNTP_Port>\n"
    "\t<NNTP_Use_Descriptions type=\"DWORD\">00000000</NNTP_Use_Descriptions>\n"
    "</MessageAccount>\n";

} // namespace oeaccount_test
