#pragma once
// A stand-in for the name service: every lookup the window starts waits on
// its lookup thread until the test answers it (bounded, so that a window
// that wrongly waits for it on its own thread fails instead of hanging).
// Installed for its lifetime; at its end every lookup still waiting is
// answered with a failure, so that no thread stays blocked. Declare it
// before the window, which then goes first.

#include <cstdint>
#include <memory>
#include <string>

class ScriptedLookups {
public:
    ScriptedLookups();
    ~ScriptedLookups();
    ScriptedLookups(const ScriptedLookups&) = delete;
    ScriptedLookups& operator=(const ScriptedLookups&) = delete;

    // Lookups asked for so far, answered or not, and the name of one.
    [[nodiscard]] int Count() const;
    [[nodiscard]] std::string Name(int index) const;
    // Pumps the event loop until `count` lookups have been asked for.
    bool WaitForCount(int count);
    // Answers lookup `index` with an address (dotted text) or a failure (a
    // resolver code, as LookupHostAddress gives).
    void Answer(int index, const std::string& dotted);
    void Fail(int index, int code);

private:
    struct State;
    std::shared_ptr<State> m_state;
};
