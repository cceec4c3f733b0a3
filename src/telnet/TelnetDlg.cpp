#include "telnet/TelnetDlg.h"

#include "framework/DataExchange.h"
#include "framework/Resources.h"
#include "res/ControlTexts.h"
#include "res/Resources.h"
#include "res/WindowFonts.h"

namespace {

// Texts set from the string table during initialisation; the second group
// box keeps its empty text.
constexpr ControlText kControlTexts[] = {
    {IDC_LINEMODE, IDS_LINEMODE},  {IDC_STATIC_TX, IDS_SEND},        {IDC_STATIC_RX, IDS_RECEIVE},
    {IDC_BUTTON_CLOSE, IDS_CLOSE}, {IDC_GROUP_NEWLINE, IDS_NEWLINE},
};

}  // namespace

CTelnetDlg::CTelnetDlg(CWnd* pParent) : CDialog(IDD_TELNET, pParent) {
    m_hIcon = LoadIcon(IDR_MAINFRAME);
    m_pFontKorean = CreateKoreanFont();
    m_pFontDefault = CreateDefaultFont();
}

CTelnetDlg::~CTelnetDlg() {
    // The window goes first: its controls must not outlive the fonts they use.
    DestroyWindow();
    m_pFontKorean.reset();
    m_pFontDefault.reset();
}

const MessageMap* CTelnetDlg::GetMessageMap() const {
    static constexpr MessageMapEntry kEntries[] = {
        OnCommand<&CTelnetDlg::OnSelchangeRx>(CBN_SELCHANGE, IDC_RX_COMBO),
        OnCommand<&CTelnetDlg::OnSelchangeTx>(CBN_SELCHANGE, IDC_TX_COMBO),
        OnCommand<&CTelnetDlg::OnLinemode>(BN_CLICKED, IDC_LINEMODE),
        OnSysCommandEntry<&CTelnetDlg::OnSysCommand>(),
        OnCommand<&CTelnetDlg::OnButtonClose>(BN_CLICKED, IDC_BUTTON_CLOSE),
    };
    static constexpr MessageMap kMap{&CDialog::GetThisMessageMap, kEntries};
    return &kMap;
}

void CTelnetDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LINEMODE, m_checkLinemode);
    DDX_Control(pDX, IDC_TERMINAL, m_terminal);
    DDX_Control(pDX, IDC_TX_COMBO, m_comboTx);
    DDX_Control(pDX, IDC_RX_COMBO, m_comboRx);
}

void CTelnetDlg::SetConnection(CAsyncSocket* pSocket, int nPort) {
    m_terminal.SetConnection(pSocket, nPort);
    m_terminal.StartProtocol();
}

bool CTelnetDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);

    m_strTitle = LoadString(IDS_TELNET);

    // The template lists the conversions; "Don't Convert" goes in front, so
    // an item's index is the conversion mode.
    const std::string dontConvert = LoadString(IDS_DONT_CONVERT);
    m_comboTx.InsertString(0, dontConvert);
    m_comboRx.InsertString(0, dontConvert);

    // A Telnet server sends CR LF and takes CR as Enter; other services are
    // shown as they are and sent CR LF.
    const bool telnetPort = m_terminal.GetRemotePort() == telnet::kTelnetPort;
    const TxMode tx = telnetPort ? TxMode::Cr : TxMode::CrLf;
    const RxMode rx = telnetPort ? RxMode::LfToCrLf : RxMode::AsReceived;
    m_comboTx.SetCurSel(static_cast<int>(tx));
    m_terminal.SetTxMode(tx);
    m_comboRx.SetCurSel(static_cast<int>(rx));
    m_terminal.SetRxMode(rx);

    m_terminal.ResetLine();
    m_terminal.SetLineMode(LineMode::Character);
    m_checkLinemode.SetCheck(0);
    m_terminal.LimitText(0);

    SetWindowText(m_strTitle);
    SetControlTexts(*this, kControlTexts);
    ApplyWindowFont(*this, m_pFontKorean.get(), m_pFontDefault.get());

    UpdateData(false);
    return true;  // the first tab stop, the terminal, takes the focus
}

// Enter and Escape leave the window open.
void CTelnetDlg::OnOK() {}

void CTelnetDlg::OnCancel() {}

void CTelnetDlg::OnSelchangeRx() {
    if (!UpdateData(true)) return;
    m_terminal.SetRxMode(RxModeFromIndex(m_comboRx.GetCurSel()));
    m_terminal.SetFocus();
}

void CTelnetDlg::OnSelchangeTx() {
    if (!UpdateData(true)) return;
    m_terminal.SetTxMode(TxModeFromIndex(m_comboTx.GetCurSel()));
    m_terminal.SetFocus();
}

void CTelnetDlg::OnLinemode() {
    if (!UpdateData(true)) return;
    m_terminal.SetLineMode(m_checkLinemode.GetCheck() ? LineMode::Line : LineMode::Character);
    m_terminal.SetFocus();
}

void CTelnetDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == SC_CLOSE) {
        EndDialog(0);
    } else {
        CDialog::DefWindowProc(WM_SYSCOMMAND, nID, lParam);
    }
}

void CTelnetDlg::OnButtonClose() {
    EndDialog(0);
}
