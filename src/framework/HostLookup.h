#pragma once
// Host-name lookups that never hold up the user-interface thread. Each
// lookup runs the blocking resolver on a thread of its own; its answer comes
// back on the user-interface thread from the event loop (also inside modal
// loops), the way a socket notification does. An answer for a lookup that
// was abandoned, replaced or whose object has gone is dropped unseen.
//
// The blocking resolver is a seam: tests install their own function (one
// that answers late, fails, or never answers) for the lookups started after.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct HostLookupResult {
    int error = 0;              // 0, or the resolver code (SocketApi.h)
    std::uint32_t address = 0;  // network order; meaningful when error is 0
};

// The blocking lookup of a name's first IPv4 address. It runs on a lookup
// thread, never on the user-interface thread, and may take as long as the
// name service does.
using HostLookupFunction = std::function<HostLookupResult(const std::string& name)>;
// Installs `lookup` for the lookups started from now on; an empty function
// restores the system's resolver (LookupHostAddress).
void SetHostLookupFunction(HostLookupFunction lookup);
// Lookups whose answer has not yet come back to the user-interface thread,
// abandoned ones included: a test pumps the event loop until it is 0 to know
// that every late answer has arrived (and been dropped or delivered).
[[nodiscard]] int HostLookupsInFlight();

class CHostLookup {
public:
    // The answer: 0 and the address (network order), or the resolver code.
    using Handler = std::function<void(int nErrorCode, std::uint32_t nAddress)>;

    CHostLookup() = default;
    ~CHostLookup();  // abandons a running lookup
    CHostLookup(const CHostLookup&) = delete;
    CHostLookup& operator=(const CHostLookup&) = delete;

    // Starts looking `name` up, abandoning a lookup still running. `handler`
    // runs once with the answer, from the event loop, never from inside
    // Start; it may start another lookup or destroy this object.
    void Start(const std::string& name, Handler handler);
    // Abandons the running lookup, if any: its handler never runs.
    void Cancel();
    [[nodiscard]] bool IsPending() const { return m_pending != nullptr; }

private:
    struct Pending;
    std::shared_ptr<Pending> m_pending;
};
