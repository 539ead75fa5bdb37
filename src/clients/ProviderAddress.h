#pragma once
// Recognising the provider's accounts by the domain of their address.

#include <string_view>

// The place of the address's domain (after the first "@"; the whole text when there is none)
// among the provider's mail domains, compared without case; 0 is the primary domain. -1 when
// it is none of them.
int ProviderDomainIndex(std::string_view address);
inline bool IsProviderAddress(std::string_view address) {
    return ProviderDomainIndex(address) >= 0;
}
