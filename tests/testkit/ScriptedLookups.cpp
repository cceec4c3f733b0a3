#include "testkit/ScriptedLookups.h"

#include <netdb.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include "framework/HostLookup.h"
#include "framework/SocketApi.h"
#include "framework/testing/EventPump.h"

namespace {

// Far longer than any test waits, far shorter than a hung run.
constexpr std::chrono::seconds kLongestWait{20};

}  // namespace

struct ScriptedLookups::State {
    struct Request {
        std::string name;
        std::optional<HostLookupResult> answer;
    };
    mutable std::mutex mutex;
    std::condition_variable answered;
    std::vector<Request> requests;

    void Settle(int index, HostLookupResult result) {
        {
            std::lock_guard lock(mutex);
            if (index < 0 || index >= static_cast<int>(requests.size())) return;
            requests[static_cast<std::size_t>(index)].answer = result;
        }
        answered.notify_all();
    }
};

ScriptedLookups::ScriptedLookups() : m_state(std::make_shared<State>()) {
    SetHostLookupFunction([state = m_state](const std::string& name) {
        std::unique_lock lock(state->mutex);
        const std::size_t index = state->requests.size();
        state->requests.push_back({name, std::nullopt});
        state->answered.wait_for(lock, kLongestWait,
                                 [&] { return state->requests[index].answer.has_value(); });
        const HostLookupResult timedOut{ResolverErrorCode(EAI_AGAIN), 0};
        return state->requests[index].answer.value_or(timedOut);
    });
}

ScriptedLookups::~ScriptedLookups() {
    SetHostLookupFunction({});
    {
        std::lock_guard lock(m_state->mutex);
        for (State::Request& request : m_state->requests) {
            if (!request.answer)
                request.answer = HostLookupResult{ResolverErrorCode(EAI_NONAME), 0};
        }
    }
    m_state->answered.notify_all();
}

int ScriptedLookups::Count() const {
    std::lock_guard lock(m_state->mutex);
    return static_cast<int>(m_state->requests.size());
}

std::string ScriptedLookups::Name(int index) const {
    std::lock_guard lock(m_state->mutex);
    return m_state->requests.at(static_cast<std::size_t>(index)).name;
}

bool ScriptedLookups::WaitForCount(int count) {
    return PumpUntil([&] { return Count() >= count; });
}

void ScriptedLookups::Answer(int index, const std::string& dotted) {
    m_state->Settle(index, HostLookupResult{0, InetAddr(dotted)});
}

void ScriptedLookups::Fail(int index, int code) {
    m_state->Settle(index, HostLookupResult{code, 0});
}
