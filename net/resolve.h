#pragma once
// Host name resolution with a bounded wait: a resolver that does not answer (a dead DNS server)
// must not hold the program longer than a connection attempt may take.

#include <netdb.h>

#include <memory>
#include <string>

namespace mora {

struct AddrInfoFree {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoFree>;

// The addresses of `host`, or nothing when it cannot be resolved within `timeoutMs`. The lookup
// that is given up on finishes on its own thread and is thrown away.
AddrInfoList ResolveHost(const std::string& host, const std::string& service, const addrinfo& hints,
                         int timeoutMs);

}  // namespace mora
