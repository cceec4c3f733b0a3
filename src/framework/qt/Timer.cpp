#include "framework/qt/Timer.h"

#include <QTimer>

CRepeatingTimer::CRepeatingTimer() : m_timer(std::make_unique<QTimer>()) {
    // A coarse timer may fire up to 5% early or late by design; lateness
    // measured with it would be the timer's, not the loop's.
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer.get(), &QTimer::timeout, [this] {
        if (m_callback) m_callback();
    });
}

CRepeatingTimer::~CRepeatingTimer() = default;

void CRepeatingTimer::Start(int intervalMs, std::function<void()> callback) {
    m_callback = std::move(callback);
    m_timer->start(intervalMs);
}

void CRepeatingTimer::Stop() {
    m_timer->stop();
}

bool CRepeatingTimer::IsActive() const {
    return m_timer->isActive();
}
