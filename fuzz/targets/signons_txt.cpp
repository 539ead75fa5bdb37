// signons.txt: any text gives entries and kept blocks, never an error; what the writer writes
// reads back to the same entries and blocks (and writes again byte for byte); and a password
// set for a login and host taken from the input reads back, the other entries unchanged, or is
// refused, changing nothing, when the login or host would break the file's lines.

#include "FormatTarget.h"

#include "clients/mozilla/MozillaPasswords.h"

namespace {

const std::string FileName = "C:\\Profile\\signons.txt";

bool SameEntry(const TMozillaPassword& a, const TMozillaPassword& b) {
    return a.Scheme == b.Scheme && a.User == b.User && a.Host == b.Host && a.Password == b.Password;
}

bool SameContent(const TMozillaPasswordsFile& a, const TMozillaPasswordsFile& b) {
    if (a.Count() != b.Count() || a.KeptBlockCount() != b.KeptBlockCount()) {
        return false;
    }
    for (std::size_t i = 0; i < a.Count(); ++i) {
        if (!SameEntry(a.Entry(i), b.Entry(i))) {
            return false;
        }
    }
    return true;
}

// A login made of the input's thirds: user, host, password.
struct TLogin {
    std::string Scheme, User, Host, Password;
};

TLogin LoginOf(std::string_view input) {
    const char* const schemes[] = {"mailbox", "imap", "smtp"};
    TLogin login;
    login.Scheme = schemes[input.size() % 3];
    const std::size_t third = input.size() / 3;
    login.User = std::string(input.substr(0, third));
    login.Host = std::string(input.substr(third, third));
    login.Password = std::string(input.substr(2 * third));
    return login;
}

void RequireSetPasswordReadsBack(std::string_view input, const TMozillaPasswordsFile& before) {
    const TLogin login = LoginOf(input.substr(0, 192));
    // "%40" in a login is how the file writes "@": such a login reads back with "@".
    if (login.User.find("%40") != std::string::npos) {
        return;
    }
    TMozillaPasswordsFile file(FileName, before.ToText());
    try {
        file.ChangePassword(login.Scheme, login.User, login.Password, login.Host);
    } catch (const EMozillaPasswordsError&) {
        harness::Require((login.User + login.Host).find_first_of("\r\n") != std::string::npos,
                         "a login without line breaks is refused");
        harness::Require(file.ToText() == before.ToText(), "a refused login changed the file");
        return;
    }
    const TMozillaPasswordsFile back(FileName, file.ToText());
    harness::Require(back.GetPassword(login.Scheme, login.User, login.Host) == login.Password,
                     "a password set does not read back");
    const std::size_t count = before.Count();
    harness::Require(back.KeptBlockCount() == before.KeptBlockCount() &&
                         (back.Count() == count || back.Count() == count + 1),
                     "a password set adds or loses more than its entry");
    for (std::size_t i = 0; i < count; ++i) {
        const TMozillaPassword& old = before.Entry(i);
        const TMozillaPassword& now = back.Entry(i);
        const bool changed = old.Scheme == now.Scheme && old.User == now.User &&
                             old.Host == now.Host && now.Password == login.Password;
        harness::Require(SameEntry(old, now) || changed, "a password set changes another entry");
    }
    if (back.Count() > count) {
        const TMozillaPassword added{login.User, login.Host, login.Password, login.Scheme};
        harness::Require(SameEntry(back.Entry(count), added),
                         "a new entry does not read back as it was set");
    }
}

void Fuzz(std::string_view input) {
    const TMozillaPasswordsFile first(FileName, input);
    const std::string written = first.ToText();
    const TMozillaPasswordsFile second(FileName, written);
    harness::Require(SameContent(first, second), "what we wrote reads back to other entries");
    harness::Require(second.ToText() == written,
                     "what we wrote is not written again byte for byte");
    RequireSetPasswordReadsBack(input, first);
}

std::string Visible(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return out;
}

// The entries read (scheme, login, host, password), the number of blocks kept as read, then
// the file as written back (LF line ends).
std::string Describe(const std::string& bytes, const std::string& fileName) {
    const TMozillaPasswordsFile file(fileName, bytes);
    std::string out;
    for (std::size_t i = 0; i < file.Count(); ++i) {
        const TMozillaPassword& e = file.Entry(i);
        out += "entry " + e.Scheme + " | " + Visible(e.User) + " | " + Visible(e.Host) + " | " +
               Visible(e.Password) + "\n";
    }
    out += "kept blocks: " + std::to_string(file.KeptBlockCount()) + "\n";
    out += "--- written\n";
    for (const char c : file.ToText()) {
        if (c != '\r') {
            out += c;
        }
    }
    return out;
}

const harness::TRegistration Registered{{"signons_txt", ".txt", &Fuzz, &Describe}};

} // namespace
