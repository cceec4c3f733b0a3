#include "net/ReceiveErrorReports.h"

#include <algorithm>
#include <utility>

bool CReceiveErrorReports::Add(int nError) {
    const auto same =
        std::find_if(m_waiting.begin(), m_waiting.end(),
                     [nError](const Report& report) { return report.error == nError; });
    if (same != m_waiting.end()) {
        ++same->count;
    } else {
        m_waiting.push_back({nError, 1});
    }
    return !std::exchange(m_running, true);
}

std::optional<CReceiveErrorReports::Report> CReceiveErrorReports::Next() {
    if (m_waiting.empty()) {
        m_running = false;
        return std::nullopt;
    }
    const Report next = m_waiting.front();
    m_waiting.erase(m_waiting.begin());
    return next;
}
