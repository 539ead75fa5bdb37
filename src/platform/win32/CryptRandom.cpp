#include "platform/win32/WindowsApi.h"

#include "platform/CryptRandom.h"

#include <climits>

namespace platform {

namespace {

// One verification context for the process: it holds no keys and needs no user profile.
class TRandomProvider {
public:
    TRandomProvider() {
        if (!CryptAcquireContextW(&Handle_, nullptr, nullptr, PROV_RSA_FULL,
                                  CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
            Handle_ = 0;
        }
    }
    ~TRandomProvider() {
        if (Handle_ != 0) {
            CryptReleaseContext(Handle_, 0);
        }
    }
    TRandomProvider(const TRandomProvider&) = delete;
    TRandomProvider& operator=(const TRandomProvider&) = delete;
    HCRYPTPROV Handle() const { return Handle_; }

private:
    HCRYPTPROV Handle_ = 0;
};

} // namespace

bool CryptGenRandom(std::uint8_t* buffer, std::size_t length) {
    static const TRandomProvider provider;
    if (provider.Handle() == 0) {
        return false;
    }
    while (length > 0) {
        const DWORD chunk = length > MAXDWORD ? MAXDWORD : static_cast<DWORD>(length);
        if (!::CryptGenRandom(provider.Handle(), chunk, buffer)) {
            return false;
        }
        buffer += chunk;
        length -= chunk;
    }
    return true;
}

} // namespace platform
