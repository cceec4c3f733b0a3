#pragma once
// Running the event loop from code (tools and tests pump it until a
// condition holds, with a time bound instead of sleeps), and calls posted to
// it to run once the current handler has returned.

#include <functional>
#include <memory>

// Handles the events waiting now (socket notifications, paints, timers).
void AfxPumpMessages();
// Handles events until `done` returns true or `timeoutMs` milliseconds have
// passed; returns whether `done` held.
bool AfxPumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Runs `action` from the event loop once the current handler has returned
// (a modal loop that is about to start will see it).
void AfxPostCall(std::function<void()> action);

// Calls posted on behalf of one object: each runs once from the event loop,
// after the current handler has returned, unless this object has been
// destroyed by then (the object that owns it is gone, and with it what the
// call would touch).
class CPostedCalls {
public:
    CPostedCalls() : m_alive(std::make_shared<char>()) {}
    void Post(std::function<void()> call);

private:
    std::shared_ptr<char> m_alive;
};
