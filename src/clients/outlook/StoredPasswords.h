#pragma once
// Stored-password protection of the Outlook family. Outlook Express, Outlook 98/2000 and Outlook
// 2002 keep a password as an item of Protected Storage and only the item's name, its
// "reference", in a binary value of the account key; Outlook 2003 and 2007 seal the password
// into that value with data protection. Outlook Express also keeps one password per identity
// in Protected Storage.
//
// Text in and out is the program's UTF-8; it meets the ANSI code page and UTF-16 only in the
// bytes stored. Reads that fail give empty text and no message; a password that cannot be
// stored raises EStoredPasswordError, so that the save it belongs to fails as a whole.

#include "accounts/RandomSource.h"
#include "clients/outlook/OutlookWindowsVersion.h"
#include "platform/Guid.h"
#include "platform/ProtectedStorage.h"
#include "platform/Registry.h"

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TMailAccounts;

// The store that keeps the passwords. It decides the item family (ANSI for Outlook Express and
// Outlook 98/2000, UTF-16 for Outlook 2002), the reference layout and name form, and the flags
// of read and delete calls.
enum class TOutlookPasswordStore { OutlookExpress, Outlook98, Outlook2002 };

// A password that could not be stored. The message says what failed, never the password.
class EStoredPasswordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TIdentityPassword {
    std::string Password;
    bool SwitchedOn = false;
};

// The item families' types and subtypes.
inline const platform::TGUID AnsiPasswordType =
    *platform::StringToGuid("{220D5CC1-853A-11D0-84BC-00C04FD43F8F}");
inline const platform::TGUID AnsiPasswordSubtype =
    *platform::StringToGuid("{417E2D75-84BD-11D0-84BB-00C04FD43F8F}");
inline const platform::TGUID WidePasswordType =
    *platform::StringToGuid("{220D5CD0-853A-11D0-84BC-00C04FD43F8F}");
inline const platform::TGUID WidePasswordSubtype =
    *platform::StringToGuid("{220D5CD1-853A-11D0-84BC-00C04FD43F8F}");
inline const platform::TGUID IdentityPasswordType =
    *platform::StringToGuid("{89C39569-6841-11D2-9F59-0000F8085266}");

// The Protected Storage side, one per store.
class TStoredPasswords {
public:
    // Holds no provider until ObtainProvider. The random source draws reference names.
    explicit TStoredPasswords(TOutlookPasswordStore store,
                              TOutlookWindowsVersion windows = OutlookWindowsVersion(),
                              TRandomSource& random = SystemRandom());
    ~TStoredPasswords();
    TStoredPasswords(const TStoredPasswords&) = delete;
    TStoredPasswords& operator=(const TStoredPasswords&) = delete;

    // Loads Protected Storage (at store construction); false, and no provider, where there is
    // none. Without a provider every item operation below does nothing and reads give empty.
    bool ObtainProvider();
    bool HasProvider() const { return Provider_ != nullptr; }
    TOutlookPasswordStore Store() const { return Store_; }
    // The flags of read and delete calls: 0x10 on Windows NT 4.0, XP and Server 2003, and on
    // Vista and 7 for Outlook 98/2000 and 2002; 0 otherwise.
    std::uint32_t ReadFlags() const;

    // Creates the type and the subtype where they are missing; false when one could not be made.
    bool EnsureItemType(const platform::TGUID& type, const std::string& typeName,
                        const platform::TGUID& subtype, const std::string& subtypeName);
    // The password of the store's family kept under the reference; empty on any failure.
    std::string ReadStoredPassword(const std::string& reference);
    // Makes sure the family's type and subtype exist, then writes (overwrites) the item.
    void WriteStoredPassword(const std::string& reference, const std::string& password);
    // Deletes the item; a failure is ignored.
    void DeleteStoredPassword(const std::string& reference);

    // A reference name in the store's form that no account of the store holds under valueName
    // (read from the registry's current key path joined with each account's AccountKey), that
    // no account key below that path holds under any of the family's password values, that no
    // item of the family has, and that is not in alsoTaken (the other name drawn for the same
    // save). The registry's key is closed meanwhile and opened again before returning. A
    // registry with no key open (an "Accounts" key not made yet) has no account keys below it.
    std::string NewPasswordReference(TMailAccounts& store, platform::TRegistry& registry,
                                     const std::string& valueName,
                                     const std::vector<std::string>& alsoTaken = {});
    // The reference in a binary value of the open key; empty when missing or not binary.
    std::string ReadReferenceValue(platform::TRegistry& registry,
                                   const std::string& valueName) const;
    void WriteReferenceValue(platform::TRegistry& registry, const std::string& valueName,
                             const std::string& reference) const;

    // The identity password item of the identity ("{...}"); empty and off on any failure.
    TIdentityPassword ReadIdentityPassword(const std::string& identityGuid);
    // Writes the item, the password cut to 15 characters, also with the switch off.
    void WriteIdentityPassword(const std::string& identityGuid, const std::string& password,
                               bool switchedOn);

private:
    TOutlookPasswordStore Store_;
    TOutlookWindowsVersion Windows_;
    TRandomSource& Random_;
    std::unique_ptr<platform::IPStore> Provider_;

    std::string DrawReferenceName();
    void WriteItem(const platform::TGUID& type, const platform::TGUID& subtype,
                   const std::u16string& name, const std::vector<std::uint8_t>& data);
};

// Outlook 2003 and 2007: the password sealed into the value (byte 0x02, then the sealed blob).
// Sealing raises EStoredPasswordError when it fails; the value is then left as it was.
void SealPassword(platform::TRegistry& registry, const std::string& valueName,
                  const std::string& password);
// Empty when the value is missing or does not unseal.
std::string UnsealPassword(platform::TRegistry& registry, const std::string& valueName);

// The stored bytes themselves, for the functions above and for tests.
// Reference values: 01 02 (Outlook Express, 98/2000) or 01 (2002), the name as UTF-16LE, 00 00.
std::vector<std::uint8_t> ReferenceValueBytes(TOutlookPasswordStore store,
                                              const std::string& reference);
std::string ReferenceFromValueBytes(TOutlookPasswordStore store,
                                    const std::vector<std::uint8_t>& bytes);
// Sealed values: 02, then the password as UTF-16LE with a zero character, sealed for the local
// machine. Sealing raises EStoredPasswordError (naming the value) when it fails; a value that does
// not unseal gives empty.
std::vector<std::uint8_t> SealedValueBytes(const std::string& valueName,
                                           const std::string& password);
std::string PasswordFromSealedValue(const std::vector<std::uint8_t>& bytes);
// Identity password item: the switch byte, three zeros, the password in the ANSI code page cut to
// 15 characters and zero-filled to 16 bytes.
std::array<std::uint8_t, 20> IdentityPasswordRecord(const std::string& password, bool switchedOn);
TIdentityPassword IdentityPasswordFromRecord(const std::vector<std::uint8_t>& record);
