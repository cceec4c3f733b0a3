// The TELNET command of the main window: a TCP client connection to REMOTE
// IP and PORT NO that belongs to the Telnet window once it is made (the
// connect handler then runs the window).

#include "app/LinkDlg.h"

void CLinkDlg::OnButtonTelnet() {
    if (!UpdateData(true)) return;
    // An empty REMOTE IP is refused here, with a message naming the field.
    const std::optional<std::uint32_t> address = GetRemoteAddress();
    if (!address) return;

    m_bTelnetActive = true;
    // No keep-alive for a Telnet session, whatever the Keep Alive box shows.
    StartConnect(*address, false);
    // A failure at once has been reported and has cleared the flag; nothing
    // on the window changed, so it stays as it is.
    if (!m_bTelnetActive) return;

    m_comboMode.EnableWindow(false);
    UpdateConnectionUi();
}
