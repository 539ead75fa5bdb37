// Sealing: AES-256-GCM under a key derived for each blob with HKDF-SHA-256 from the scope's
// master key, a random salt, the scope's SID and the entropy. Everything the blob says about
// itself is authenticated with the data, so a changed byte anywhere fails to unseal.
//
// Blob (integers little-endian):
//   version 4 | flags 4 | master key GUID 16 | salt 16 | nonce 12 |
//   description size 4 | description (UTF-16LE) | data size 4 | sealed data | tag 16

#include "platform/DataProtection.h"

#include "platform/CryptRandom.h"
#include "platform/MasterKeys.h"
#include "platform/RegText.h"
#include "platform/TextCodec.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>

#include <array>
#include <climits>
#include <cstring>
#include <memory>

namespace platform {

namespace {

using detail::TKeyScope;
using detail::TMasterKey;

constexpr std::uint32_t BlobVersion = 1;
constexpr std::uint32_t ProtectFlags =
    CRYPTPROTECT_UI_FORBIDDEN | CRYPTPROTECT_LOCAL_MACHINE | CRYPTPROTECT_AUDIT;
constexpr std::uint32_t UnprotectFlags = ProtectFlags | CRYPTPROTECT_VERIFY_PROTECTION;
constexpr std::size_t SaltSize = 16;
constexpr std::size_t NonceSize = 12;
constexpr std::size_t TagSize = 16;
constexpr std::size_t KeySize = 32;
constexpr const char* DerivationLabel = "Quenlix data protection 1";

using TKey = std::array<std::uint8_t, KeySize>;

struct TCipherContextFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
struct TKdfContextFree {
    void operator()(EVP_KDF_CTX* ctx) const { EVP_KDF_CTX_free(ctx); }
};

void PutUInt32(TDataBlob& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Reads the blob front to back; every read checks that the bytes are there.
class TBlobReader {
public:
    explicit TBlobReader(std::span<const std::uint8_t> blob) : Blob_(blob) {}
    bool UInt32(std::uint32_t& value) {
        std::span<const std::uint8_t> bytes;
        if (!Bytes(4, bytes)) {
            return false;
        }
        value = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t(bytes[3]) << 24;
        return true;
    }
    bool Bytes(std::size_t count, std::span<const std::uint8_t>& bytes) {
        if (count > Blob_.size() - Pos_) {
            return false;
        }
        bytes = Blob_.subspan(Pos_, count);
        Pos_ += count;
        return true;
    }
    std::size_t Position() const { return Pos_; }
    bool AtEnd() const { return Pos_ == Blob_.size(); }

private:
    std::span<const std::uint8_t> Blob_;
    std::size_t Pos_ = 0;
};

// The key of one blob. The scope's SID and the entropy go into the derivation, so another
// user's key, a blob moved to another scope or other entropy all give another key.
std::optional<TKey> BlobKey(const TMasterKey& master, TKeyScope scope,
                            std::span<const std::uint8_t> salt,
                            std::span<const std::uint8_t> entropy) {
    static EVP_KDF* const Hkdf = EVP_KDF_fetch(nullptr, "HKDF", nullptr);
    if (Hkdf == nullptr) {
        return std::nullopt;
    }
    TDataBlob info(DerivationLabel, DerivationLabel + std::strlen(DerivationLabel) + 1);
    const std::string sid = detail::KeyScopeSid(scope);
    info.insert(info.end(), sid.begin(), sid.end());
    info.push_back(0);
    PutUInt32(info, static_cast<std::uint32_t>(entropy.size()));
    info.insert(info.end(), entropy.begin(), entropy.end());

    std::unique_ptr<EVP_KDF_CTX, TKdfContextFree> ctx(EVP_KDF_CTX_new(Hkdf));
    char digest[] = "SHA256";
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY,
                                          const_cast<std::uint8_t*>(master.Secret.data()),
                                          master.Secret.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT,
                                          const_cast<std::uint8_t*>(salt.data()), salt.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, info.data(), info.size()),
        OSSL_PARAM_construct_end()};
    TKey key;
    if (!ctx || EVP_KDF_derive(ctx.get(), key.data(), key.size(), params) != 1) {
        return std::nullopt;
    }
    return key;
}

// AES-256-GCM over `in` with the associated data; encrypts or, with a tag given, decrypts and
// verifies. False on any failure, including a tag that does not match.
bool RunGcm(bool encrypt, const TKey& key, std::span<const std::uint8_t> nonce,
            std::span<const std::uint8_t> associated, std::span<const std::uint8_t> in,
            std::uint8_t* out, std::uint8_t* tag) {
    if (in.size() > INT_MAX || associated.size() > INT_MAX) {
        return false;
    }
    std::unique_ptr<EVP_CIPHER_CTX, TCipherContextFree> ctx(EVP_CIPHER_CTX_new());
    int length = 0;
    const auto init = encrypt ? EVP_EncryptInit_ex : EVP_DecryptInit_ex;
    const auto update = encrypt ? EVP_EncryptUpdate : EVP_DecryptUpdate;
    bool ok = ctx && init(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1 &&
              EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(nonce.size()),
                                  nullptr) == 1 &&
              init(ctx.get(), nullptr, nullptr, key.data(), nonce.data()) == 1 &&
              update(ctx.get(), nullptr, &length, associated.data(),
                     static_cast<int>(associated.size())) == 1 &&
              update(ctx.get(), out, &length, in.data(), static_cast<int>(in.size())) == 1;
    if (!ok) {
        return false;
    }
    if (encrypt) {
        return EVP_EncryptFinal_ex(ctx.get(), out + length, &length) == 1 &&
               EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, TagSize, tag) == 1;
    }
    return EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, TagSize, tag) == 1 &&
           EVP_DecryptFinal_ex(ctx.get(), out + length, &length) == 1;
}

TKeyScope ScopeOf(std::uint32_t flags) {
    return (flags & CRYPTPROTECT_LOCAL_MACHINE) != 0 ? TKeyScope::Machine : TKeyScope::User;
}

} // namespace

std::optional<TDataBlob> CryptProtectData(std::span<const std::uint8_t> data,
                                          const std::string& description,
                                          std::span<const std::uint8_t> entropy,
                                          std::uint32_t flags) {
    if ((flags & ~ProtectFlags) != 0 || data.size() > INT_MAX - 1024) {
        return std::nullopt;
    }
    const TKeyScope scope = ScopeOf(flags);
    const auto master = detail::PreferredMasterKey(scope);
    std::array<std::uint8_t, SaltSize + NonceSize> random{};
    if (!master || !CryptGenRandom(random.data(), random.size())) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> salt(random.data(), SaltSize);
    const std::span<const std::uint8_t> nonce(random.data() + SaltSize, NonceSize);
    const auto key = BlobKey(*master, scope, salt, entropy);
    if (!key) {
        return std::nullopt;
    }
    TDataBlob blob;
    PutUInt32(blob, BlobVersion);
    PutUInt32(blob, flags);
    const auto id = GuidToBytes(master->Id);
    blob.insert(blob.end(), id.begin(), id.end());
    blob.insert(blob.end(), random.begin(), random.end());
    TDataBlob wideDescription;
    reg::AppendUtf16Bytes(wideDescription, Utf8ToUtf16(description));
    PutUInt32(blob, static_cast<std::uint32_t>(wideDescription.size()));
    blob.insert(blob.end(), wideDescription.begin(), wideDescription.end());
    PutUInt32(blob, static_cast<std::uint32_t>(data.size()));
    const std::size_t header = blob.size();
    blob.resize(header + data.size() + TagSize);
    const std::span<const std::uint8_t> associated(blob.data(), header);
    if (!RunGcm(true, *key, nonce, associated, data, blob.data() + header,
                blob.data() + header + data.size())) {
        return std::nullopt;
    }
    return blob;
}

std::optional<TUnprotectedData> CryptUnprotectData(std::span<const std::uint8_t> blob,
                                                   std::span<const std::uint8_t> entropy,
                                                   std::uint32_t flags) {
    TBlobReader reader(blob);
    std::uint32_t version = 0;
    std::uint32_t sealFlags = 0;
    std::uint32_t descriptionSize = 0;
    std::uint32_t dataSize = 0;
    std::span<const std::uint8_t> id, salt, nonce, description, sealed, tag;
    if ((flags & ~UnprotectFlags) != 0 || !reader.UInt32(version) || version != BlobVersion ||
        !reader.UInt32(sealFlags) || (sealFlags & ~ProtectFlags) != 0 || !reader.Bytes(16, id) ||
        !reader.Bytes(SaltSize, salt) || !reader.Bytes(NonceSize, nonce) ||
        !reader.UInt32(descriptionSize) || descriptionSize % 2 != 0 ||
        !reader.Bytes(descriptionSize, description) || !reader.UInt32(dataSize)) {
        return std::nullopt;
    }
    const std::size_t header = reader.Position();
    if (!reader.Bytes(dataSize, sealed) || !reader.Bytes(TagSize, tag) || !reader.AtEnd()) {
        return std::nullopt;
    }
    const TKeyScope scope = ScopeOf(sealFlags);
    const auto master = detail::FindMasterKey(scope, GuidFromBytes(id.data()));
    const auto key = master ? BlobKey(*master, scope, salt, entropy) : std::nullopt;
    if (!key) {
        return std::nullopt;
    }
    TUnprotectedData result;
    result.Data.resize(sealed.size());
    std::array<std::uint8_t, TagSize> expectedTag{};
    std::memcpy(expectedTag.data(), tag.data(), TagSize);
    if (!RunGcm(false, *key, nonce, blob.first(header), sealed, result.Data.data(),
                expectedTag.data())) {
        return std::nullopt; // nothing of a failed unseal leaves this function
    }
    result.Description = Utf16ToUtf8(reg::BytesToUtf16(description.data(), description.size()));
    return result;
}

} // namespace platform
