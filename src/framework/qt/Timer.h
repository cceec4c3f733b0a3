#pragma once
// A repeating timer on the user-interface thread: the callback runs from the
// event loop (also inside modal loops) every interval, as precisely as the
// loop allows. Tools use it to see how late the loop gets under load.

#include <functional>
#include <memory>

class QTimer;

class CRepeatingTimer {
public:
    CRepeatingTimer();
    ~CRepeatingTimer();
    CRepeatingTimer(const CRepeatingTimer&) = delete;
    CRepeatingTimer& operator=(const CRepeatingTimer&) = delete;

    // (Re)starts the timer; the first call comes one interval from now.
    void Start(int intervalMs, std::function<void()> callback);
    void Stop();
    [[nodiscard]] bool IsActive() const;

private:
    std::unique_ptr<QTimer> m_timer;
    std::function<void()> m_callback;
};
