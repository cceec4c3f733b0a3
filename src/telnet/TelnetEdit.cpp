#include "telnet/TelnetEdit.h"

CTelnetEdit::CTelnetEdit() = default;
CTelnetEdit::~CTelnetEdit() = default;

void CTelnetEdit::StartProtocol() {}

void CTelnetEdit::ProcessReceive(CLinkSocket*, int) {}

void CTelnetEdit::ShowConnectionClosed(CLinkSocket*, int) {
    ReplaceSel("Connection closed\r\n");
    SetReadOnly(true);
}
