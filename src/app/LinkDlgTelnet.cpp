// The TELNET command of the main window: a TCP client connection to REMOTE
// IP and PORT NO that belongs to the Telnet window once it is made (the
// connect handler then runs the window).

#include "app/LinkDlg.h"

void CLinkDlg::OnButtonTelnet() {
    if (!TakeConnectionFields(TcpClient)) return;

    m_bTelnetActive = true;
    // An empty REMOTE IP is refused, with a message naming the field; a
    // failure at once is reported and clears the flag, leaving Idle.
    if (!OpenRemote(TcpClient)) {
        m_bTelnetActive = false;
        return;
    }
    m_comboMode.EnableWindow(false);
    UpdateConnectionUi();
}
