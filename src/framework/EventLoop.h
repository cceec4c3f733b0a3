#pragma once
// Calls posted to the event loop on behalf of one object, to run once the
// current handler has returned.

#include <functional>
#include <memory>

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
