#pragma once
// The receive errors waiting to be shown, one message box at a time. The
// box is shown from the event loop, and reading goes on while it is open:
// errors that come meanwhile are counted, kind by kind, into the reports
// that follow it, so that a flood of bad datagrams gives a few boxes
// rather than one per datagram, and none is lost from the count.

#include <cstdint>
#include <optional>
#include <vector>

class CReceiveErrorReports {
public:
    struct Report {
        int error = 0;
        std::int64_t count = 0;  // how many times it happened
    };

    // Counts one error. True when no run of reports is under way: the caller
    // must then start one (which calls Next until it returns nothing).
    bool Add(int nError);
    // The next report to show, oldest kind first, or std::nullopt, which
    // ends the run.
    std::optional<Report> Next();

private:
    std::vector<Report> m_waiting;
    bool m_running = false;
};
