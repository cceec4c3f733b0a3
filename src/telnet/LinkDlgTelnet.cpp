// The TELNET command of the main window.

#include "app/LinkDlg.h"

void CLinkDlg::OnButtonTelnet() {}
