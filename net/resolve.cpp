#include "net/resolve.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/trace.h"

namespace mora {
namespace {
// Shared by the waiting caller and the lookup thread; whichever ends last frees it.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    AddrInfoList result;
};
}  // namespace

AddrInfoList ResolveHost(const std::string& host, const std::string& service, const addrinfo& hints,
                         int timeoutMs) {
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host, service, hints] {
        addrinfo* list = nullptr;
        if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &list) != 0) list = nullptr;
        std::lock_guard lock(lookup->mutex);
        lookup->result.reset(list);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, std::chrono::milliseconds(timeoutMs < 1 ? 1 : timeoutMs),
                               [&] { return lookup->finished; })) {
        Trace("resolve: %s did not resolve in %d ms", host.c_str(), timeoutMs);
        return nullptr;
    }
    return std::move(lookup->result);
}

}  // namespace mora
