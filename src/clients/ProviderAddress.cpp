#include "ProviderAddress.h"

#include "ProviderConstants.h"

#include <cstddef>

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The domains are plain ASCII, so an ASCII fold compares them as any case-blind reading would.
bool SameDomain(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

int ProviderDomainIndex(std::string_view address) {
    const std::size_t at = address.find('@');
    const std::string_view domain = at == std::string_view::npos ? address : address.substr(at + 1);
    for (std::size_t i = 0; i < provider::MailDomains.size(); ++i) {
        if (SameDomain(domain, provider::MailDomains[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
