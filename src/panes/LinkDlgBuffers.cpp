// The buffer commands of the main window: SAVE, LOAD, CLEAR, RESIZE and the
// data-length spin.

#include "app/LinkDlg.h"

void CLinkDlg::OnButtonSaveRecv() {}

void CLinkDlg::OnButtonSaveSend() {}

void CLinkDlg::OnButtonLoad() {}

void CLinkDlg::OnButtonClear() {}

void CLinkDlg::OnButtonResize() {}

void CLinkDlg::OnDeltaposSpin(NMHDR*, LRESULT* pResult) { *pResult = 0; }
