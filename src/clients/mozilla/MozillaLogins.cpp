#include "MozillaLogins.h"

#include <algorithm>
#include <set>

namespace {

// The login manager's encryption type for logins encrypted with the key database.
constexpr std::int64_t kEncTypeSdr = 1;

std::string TextMember(const TJsonValue& object, std::string_view name) {
    const TJsonValue* value = object.Find(name);
    return value != nullptr ? value->Text() : std::string();
}

// A login the application still uses: an object that is no tombstone of a deleted one.
bool IsLiveLogin(const TJsonValue& login) {
    const TJsonValue* deleted = login.Find("deleted");
    return login.IsObject() && (deleted == nullptr || !deleted->IsTrue());
}

bool SameLogin(const TJsonValue& login, const std::string& origin, const std::string& userName,
               TLoginCrypto& crypto) {
    if (!IsLiveLogin(login) || TextMember(login, "hostname") != origin ||
        TextMember(login, "httpRealm") != origin) {
        return false;
    }
    const std::optional<std::string> user = crypto.Decrypt(TextMember(login, "encryptedUsername"));
    return user && *user == userName;
}

TJsonValue NewLogin(std::int64_t id, const TMozillaLogin& login, TLoginCrypto& crypto,
                    const TLoginStamp& stamp) {
    TJsonValue entry = TJsonValue::Object();
    entry.Set("id", TJsonValue::Integer(id));
    entry.Set("hostname", TJsonValue::String(login.Origin));
    entry.Set("httpRealm", TJsonValue::String(login.Origin));
    entry.Set("formSubmitURL", TJsonValue());
    entry.Set("usernameField", TJsonValue::String(""));
    entry.Set("passwordField", TJsonValue::String(""));
    entry.Set("encryptedUsername", TJsonValue::String(crypto.Encrypt(login.UserName)));
    entry.Set("encryptedPassword", TJsonValue::String(crypto.Encrypt(login.Password)));
    entry.Set("guid", TJsonValue::String(stamp.Guid));
    entry.Set("encType", TJsonValue::Integer(kEncTypeSdr));
    entry.Set("timeCreated", TJsonValue::Integer(stamp.NowMs));
    entry.Set("timeLastUsed", TJsonValue::Integer(stamp.NowMs));
    entry.Set("timePasswordChanged", TJsonValue::Integer(stamp.NowMs));
    entry.Set("timesUsed", TJsonValue::Integer(1));
    entry.Set("syncCounter", TJsonValue::Integer(1));
    entry.Set("everSynced", TJsonValue::Boolean(false));
    entry.Set("encryptedUnknownFields", TJsonValue());
    return entry;
}

} // namespace

TMozillaLoginsFile::TMozillaLoginsFile() : Root_(TJsonValue::Object()) {
    Root_.Set("nextId", TJsonValue::Integer(1));
    Root_.Set("logins", TJsonValue::Array());
    Root_.Set("potentiallyVulnerablePasswords", TJsonValue::Array());
    Root_.Set("dismissedBreachAlertsByLoginGUID", TJsonValue::Object());
    Root_.Set("version", TJsonValue::Integer(3));
}

TMozillaLoginsFile TMozillaLoginsFile::FromText(std::string_view bytes) {
    TJsonValue root = ParseJson(bytes);
    if (!root.IsObject()) {
        throw EJsonError("a JSON object expected", root.Offset(), JsonLineOf(bytes, root.Offset()));
    }
    const TJsonValue* logins = root.Find("logins");
    if (logins != nullptr && !logins->IsArray()) {
        throw EJsonError("\"logins\" is no list", logins->Offset(),
                         JsonLineOf(bytes, logins->Offset()));
    }
    TMozillaLoginsFile file;
    file.Root_ = std::move(root);
    return file;
}

std::size_t TMozillaLoginsFile::Count() const {
    const TJsonValue* logins = Root_.Find("logins");
    return logins != nullptr ? logins->Items().size() : 0;
}

std::optional<std::string> TMozillaLoginsFile::FindPassword(const std::string& origin,
                                                            const std::string& userName,
                                                            TLoginCrypto& crypto) const {
    const TJsonValue* logins = Root_.Find("logins");
    if (logins == nullptr) {
        return std::nullopt;
    }
    for (const TJsonValue& login : logins->Items()) {
        if (SameLogin(login, origin, userName, crypto)) {
            return crypto.Decrypt(TextMember(login, "encryptedPassword"));
        }
    }
    return std::nullopt;
}

TJsonValue* TMozillaLoginsFile::FindLogin(const std::string& origin, const std::string& userName,
                                          TLoginCrypto& crypto) {
    TJsonValue* logins = Root_.Find("logins");
    if (logins == nullptr) {
        return nullptr;
    }
    for (TJsonValue& login : logins->Items()) {
        if (SameLogin(login, origin, userName, crypto)) {
            return &login;
        }
    }
    return nullptr;
}

// The id for a new login: nextId, but never one a login already has.
std::int64_t TMozillaLoginsFile::TakeNextId() {
    std::int64_t next = 1;
    if (const TJsonValue* nextId = Root_.Find("nextId")) {
        next = std::max<std::int64_t>(next, nextId->Int64().value_or(1));
    }
    std::set<std::int64_t> taken;
    for (const TJsonValue& login : Root_.Find("logins")->Items()) {
        const TJsonValue* id = login.Find("id");
        const std::optional<std::int64_t> value = id != nullptr ? id->Int64() : std::nullopt;
        if (value) {
            taken.insert(*value);
            if (*value >= next && *value < INT64_MAX) {
                next = *value + 1;
            }
        }
    }
    if (taken.count(next) == 0) {
        Root_.Set("nextId", TJsonValue::Integer(next < INT64_MAX ? next + 1 : next));
        return next;
    }
    // Only the last id of the range can be taken here: the smallest free one is used instead,
    // and nextId stays at the end of the range.
    std::int64_t free = 1;
    while (taken.count(free) != 0) {
        ++free;
    }
    return free;
}

void TMozillaLoginsFile::SetLogin(const TMozillaLogin& login, TLoginCrypto& crypto,
                                  const TLoginStamp& stamp) {
    if (Root_.Find("logins") == nullptr) {
        Root_.Set("logins", TJsonValue::Array());
    }
    if (TJsonValue* existing = FindLogin(login.Origin, login.UserName, crypto)) {
        if (crypto.Decrypt(TextMember(*existing, "encryptedPassword")) == login.Password) {
            return;
        }
        existing->Set("encryptedPassword", TJsonValue::String(crypto.Encrypt(login.Password)));
        existing->Set("encType", TJsonValue::Integer(kEncTypeSdr));
        existing->Set("timePasswordChanged", TJsonValue::Integer(stamp.NowMs));
        // A changed password is a change the application would sync.
        if (TJsonValue* counter = existing->Find("syncCounter")) {
            const std::int64_t count = counter->Int64().value_or(0);
            *counter = TJsonValue::Integer(count < INT64_MAX ? count + 1 : count);
        }
        return;
    }
    const std::int64_t id = TakeNextId();
    Root_.Find("logins")->Items().push_back(NewLogin(id, login, crypto, stamp));
}
