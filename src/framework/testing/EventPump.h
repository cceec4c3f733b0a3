#pragma once
// Running the event loop from code: tools and tests pump it until a
// condition holds, with a time bound instead of sleeps, and post calls to
// it to run once the current handler has returned.

#include <functional>

// Handles the events waiting now (socket notifications, paints, timers).
void PumpMessages();
// Handles events until `done` returns true or `timeoutMs` milliseconds have
// passed; returns whether `done` held.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Runs `action` from the event loop once the current handler has returned
// (a modal loop that is about to start will see it).
void PostCall(std::function<void()> action);
