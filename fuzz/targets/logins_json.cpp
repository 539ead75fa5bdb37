// logins.json: any bytes are a login store or refused with EJsonError; what the store writes
// reads back as a store and writes again byte for byte; and a login set (origin, user and
// password taken from the input) is found again with its password after writing, with a new id
// no other login has, every other login unchanged.

#include "FormatTarget.h"

#include "clients/mozilla/MozillaLogins.h"

#include <optional>

namespace {

// Stands in for the key database: "enc:" and the text's bytes in hex.
class THexCrypto : public TLoginCrypto {
public:
    std::string Encrypt(const std::string& plain) override {
        static const char* const hex = "0123456789abcdef";
        std::string out = "enc:";
        for (const char c : plain) {
            out += hex[static_cast<unsigned char>(c) >> 4];
            out += hex[static_cast<unsigned char>(c) & 0xF];
        }
        return out;
    }
    std::optional<std::string> Decrypt(const std::string& encrypted) override {
        if (encrypted.rfind("enc:", 0) != 0 || encrypted.size() % 2 != 0) {
            return std::nullopt;
        }
        std::string plain;
        for (std::size_t i = 4; i < encrypted.size(); i += 2) {
            const int high = Digit(encrypted[i]);
            const int low = Digit(encrypted[i + 1]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            plain += static_cast<char>(high * 16 + low);
        }
        return plain;
    }

private:
    static int Digit(char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    }
};

const TLoginStamp Stamp{1700000000000, "{00000000-0000-4000-8000-000000000000}"};

const TJsonValue& Logins(const TJsonValue& root) {
    static const TJsonValue none = TJsonValue::Array();
    const TJsonValue* logins = root.Find("logins");
    return logins != nullptr ? *logins : none;
}

// A login made of the input's first bytes: origin, user and password, a third each.
TMozillaLogin LoginOf(std::string_view input) {
    const std::string_view part = input.substr(0, 96);
    const std::size_t third = part.size() / 3;
    return {"mailbox://" + std::string(part.substr(0, third)),
            std::string(part.substr(third, third)), std::string(part.substr(2 * third))};
}

void RequireOthersKept(const TJsonValue& before, const TJsonValue& after, std::size_t changed) {
    const auto& old = Logins(before).Items();
    const auto& now = Logins(after).Items();
    for (std::size_t i = 0; i < old.size(); ++i) {
        harness::Require(i == changed || WriteJson(old[i]) == WriteJson(now[i]),
                         "setting a login changes another");
    }
}

// The new login's id is a whole number no other login has.
void RequireNewIdUnique(const TJsonValue& root) {
    const auto& logins = Logins(root).Items();
    const TJsonValue* id = logins.back().Find("id");
    const std::optional<std::int64_t> value = id != nullptr ? id->Int64() : std::nullopt;
    harness::Require(value.has_value(), "a new login has no id");
    for (std::size_t i = 0; i + 1 < logins.size(); ++i) {
        const TJsonValue* other = logins[i].Find("id");
        harness::Require(other == nullptr || other->Int64() != value,
                         "a new login takes the id of another");
    }
}

void RequireLoginSetReadsBack(std::string_view input, const std::string& written) {
    THexCrypto crypto;
    const TMozillaLogin login = LoginOf(input);
    TMozillaLoginsFile file = TMozillaLoginsFile::FromText(written);
    const std::size_t count = file.Count();
    file.SetLogin(login, crypto, Stamp);
    const std::string changed = file.ToText();
    std::optional<TMozillaLoginsFile> back;
    try {
        back = TMozillaLoginsFile::FromText(changed);
    } catch (const EJsonError& error) {
        harness::Require(false, std::string("a store with a login set does not read back: ") +
                                    error.what());
    }
    harness::Require(back->FindPassword(login.Origin, login.UserName, crypto) == login.Password,
                     "a login set is not found with its password");
    harness::Require(back->Count() == count || back->Count() == count + 1,
                     "setting a login adds more than one");
    const TJsonValue before = ParseJson(written);
    const TJsonValue after = ParseJson(changed);
    if (back->Count() > count) {
        RequireOthersKept(before, after, count);
        RequireNewIdUnique(after);
    } else {
        std::size_t index = 0;
        while (index < count && WriteJson(Logins(before).Items()[index]) ==
                                    WriteJson(Logins(after).Items()[index])) {
            ++index;
        }
        RequireOthersKept(before, after, index);
    }
}

void Fuzz(std::string_view input) {
    std::optional<TMozillaLoginsFile> first;
    try {
        first = TMozillaLoginsFile::FromText(input);
    } catch (const EJsonError&) {
        return;
    }
    const std::string written = first->ToText();
    std::optional<TMozillaLoginsFile> second;
    try {
        second = TMozillaLoginsFile::FromText(written);
    } catch (const EJsonError& error) {
        harness::Require(false, std::string("what we wrote does not read back: ") + error.what());
    }
    harness::Require(second->ToText() == written,
                     "what we wrote is not written again byte for byte");
    harness::Require(second->Count() == first->Count(), "what we wrote has other logins");
    RequireLoginSetReadsBack(input, written);
}

// The store as written back after the wizard's POP login was set in it, compact; or the error.
std::string Describe(const std::string& bytes, const std::string& fileName) {
    try {
        TMozillaLoginsFile file = TMozillaLoginsFile::FromText(bytes);
        THexCrypto crypto;
        file.SetLogin({"mailbox://pop.quenlix.example", "anna@quenlix.example", "Geheim-42"},
                      crypto, Stamp);
        return "logins: " + std::to_string(file.Count()) + "\n" + file.ToText() + "\n";
    } catch (const EJsonError& error) {
        return "error: " + fileName + ", " + error.what();
    }
}

const harness::TRegistration Registered{{"logins_json", ".json", &Fuzz, &Describe}};

} // namespace
