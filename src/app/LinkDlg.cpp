#include "app/LinkDlg.h"

#include "app/AboutDlg.h"
#include "framework/DataExchange.h"
#include "framework/KeyState.h"
#include "framework/PaintDC.h"
#include "framework/Resources.h"
#include "res/ControlTexts.h"
#include "res/Resources.h"
#include "res/WindowFonts.h"

namespace {

// The send pane's content at start.
constexpr char kInitialSendData[] = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kInitialSendLength = 36;
// Both panes may hold this much text; the view holds only a page of lines.
constexpr long kPaneTextLimit = 4194304;

// Control texts set from the string table during initialisation, in order.
constexpr ControlText kControlTexts[] = {
    {IDC_GROUP_RECV, IDS_RECEIVE_DATA},
    {IDC_GROUP_SEND, IDS_SEND_DATA_FRAME},
    {IDC_BUTTON_SEND, IDS_SEND_DATA},
    {IDC_BUTTON_SAVE_RECV, IDS_SAVE},
    {IDC_BUTTON_SAVE_SEND, IDS_SAVE},
    {IDC_BUTTON_CLEAR, IDS_CLEAR},
    {IDC_STATIC_RECV_COUNT, IDS_RECEIVE_COUNT},
    {IDC_STATIC_BYTES, IDS_BYTES},
    {IDC_BUTTON_LOAD, IDS_LOAD},
    {IDC_BUTTON_RESIZE, IDS_APPLY},
    {IDC_STATIC_REMOTE_IP, IDS_REMOTE_HOST_ADDRESS},
    {IDC_STATIC_REMOTE_PORT, IDS_REMOTE_HOST_PORT},
    {IDC_KEEP_ALIVE, IDS_KEEP_ALIVE},
    {IDC_STATIC_LOCAL_PORT, IDS_LOCAL_PORT},
    {IDC_BUTTON_CONNECT, IDS_CONNECT},
    {IDC_BUTTON_TELNET, IDS_TELNET},
    {IDC_BUTTON_EXIT, IDS_EXIT},
    {IDC_STATIC_DATA_LENGTH, IDS_DATA_LENGTH},
    {IDC_BUTTON_CLOSE, IDS_DISCONNECT},
};

}  // namespace

CLinkDlg::CLinkDlg(CWnd* pParent) : CDialog(IDD_MAIN, pParent) {
    m_hIcon = LoadIcon(IDR_MAINFRAME);
    m_pFontKorean = CreateKoreanFont();
    m_pFontDefault = CreateDefaultFont();
}

CLinkDlg::~CLinkDlg() {
    // The window goes first: its controls must not outlive the fonts they use.
    DestroyWindow();
    m_pFontKorean.reset();
    m_pFontDefault.reset();
}

const MessageMap* CLinkDlg::GetMessageMap() const {
    static constexpr MessageMapEntry kEntries[] = {
        OnSysCommandEntry<&CLinkDlg::OnSysCommand>(),
        OnMessage<&CLinkDlg::OnPaint>(WM_PAINT),
        OnMessage<&CLinkDlg::OnQueryDragIcon>(WM_QUERYDRAGICON),
        OnCommand<&CLinkDlg::OnButtonSend>(BN_CLICKED, IDC_BUTTON_SEND),
        OnCommand<&CLinkDlg::OnButtonConnect>(BN_CLICKED, IDC_BUTTON_CONNECT),
        OnCommand<&CLinkDlg::OnButtonClose>(BN_CLICKED, IDC_BUTTON_CLOSE),
        OnCommand<&CLinkDlg::OnButtonTelnet>(BN_CLICKED, IDC_BUTTON_TELNET),
        OnCommand<&CLinkDlg::OnButtonClear>(BN_CLICKED, IDC_BUTTON_CLEAR),
        OnCommand<&CLinkDlg::OnButtonResize>(BN_CLICKED, IDC_BUTTON_RESIZE),
        OnNotify<&CLinkDlg::OnDeltaposSpin>(UDN_DELTAPOS, IDC_SPIN),
        OnCommand<&CLinkDlg::OnButtonLoad>(BN_CLICKED, IDC_BUTTON_LOAD),
        OnCommand<&CLinkDlg::OnButtonSaveSend>(BN_CLICKED, IDC_BUTTON_SAVE_SEND),
        OnCommand<&CLinkDlg::OnButtonSaveRecv>(BN_CLICKED, IDC_BUTTON_SAVE_RECV),
        OnCommand<&CLinkDlg::OnSetfocusRecv>(EN_SETFOCUS, IDC_RECV_PANE),
        OnCommand<&CLinkDlg::OnButtonExit>(BN_CLICKED, IDC_BUTTON_EXIT),
        OnCommand<&CLinkDlg::OnSelchangeMode>(CBN_SELCHANGE, IDC_MODE),
    };
    static constexpr MessageMap kMap{&CDialog::GetThisMessageMap, kEntries};
    return &kMap;
}

void CLinkDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MODE, m_comboMode);
    DDX_Control(pDX, IDC_KEEP_ALIVE, m_checkKeepAlive);
    DDX_Control(pDX, IDC_REMOTE_IP, m_editRemoteIP);
    DDX_Control(pDX, IDC_SEND_PANE, m_sendView);
    DDX_Control(pDX, IDC_BUTTON_SAVE_RECV, m_buttonSaveRecv);
    DDX_Control(pDX, IDC_SPIN, m_spinDataLength);
    DDX_Control(pDX, IDC_STATUS, m_editStatus);
    DDX_Control(pDX, IDC_RECV_PANE, m_recvView);
    DDX_Control(pDX, IDC_BUTTON_TELNET, m_buttonTelnet);
    DDX_Control(pDX, IDC_BUTTON_SAVE_SEND, m_buttonSaveSend);
    DDX_Control(pDX, IDC_BUTTON_LOAD, m_buttonLoad);
    DDX_Control(pDX, IDC_BUTTON_SEND, m_buttonSend);
    DDX_Control(pDX, IDC_BUTTON_CLEAR, m_buttonClear);
    DDX_Control(pDX, IDC_BUTTON_EXIT, m_buttonExit);
    DDX_Control(pDX, IDC_BUTTON_CONNECT, m_buttonConnect);
    DDX_Control(pDX, IDC_BUTTON_CLOSE, m_buttonClose);
    DDX_Text(pDX, IDC_REMOTE_PORT, m_nRemotePort);
    DDV_MinMaxUInt(pDX, m_nRemotePort, 1, 65535);
    DDX_Text(pDX, IDC_DATA_LENGTH, m_nDataLength);
    DDV_MinMaxUInt(pDX, m_nDataLength, 1, 65535);
    DDX_Text(pDX, IDC_REMOTE_IP, m_strRemoteIP);
    DDX_Text(pDX, IDC_RECV_COUNT, m_strRecvCount);
    DDX_Text(pDX, IDC_LOCAL_PORT, m_nLocalPort);
    DDV_MinMaxUInt(pDX, m_nLocalPort, 1, 65535);
    DDX_CBIndex(pDX, IDC_MODE, m_nMode);
}

bool CLinkDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (CMenu* pSysMenu = GetSystemMenu(false)) {
        const std::string strAboutMenu = LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.empty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }
    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);

    m_bTelnetActive = false;
    m_dataSocket.m_pOwner = this;
    m_listenSocket.m_pOwner = this;
    m_nState = Idle;

    m_sendView.InitView();
    m_recvView.InitView();
    ShowReceiveCount(0);
    m_recvView.LimitText(kPaneTextLimit);
    m_sendView.LimitText(kPaneTextLimit);
    m_sendView.SetData(kInitialSendLength, reinterpret_cast<const BYTE*>(kInitialSendData));

    GetDlgItem(IDC_LOCAL_PORT)->EnableWindow(false);
    m_buttonSend.EnableWindow(false);
    m_buttonClose.EnableWindow(false);
    SetStatusText(LoadString(IDS_READY));
    m_editRemoteIP.SetFocus();

    m_strTitle = LoadString(IDS_VERSION);
    SetWindowText(m_strTitle);
    SetControlTexts(*this, kControlTexts);

    m_comboMode.AddString(LoadString(IDS_TCP_CLIENT));
    m_comboMode.AddString(LoadString(IDS_TCP_SERVER));
    m_comboMode.AddString("UDP");
    m_comboMode.SetCurSel(TcpClient);
    OnSelchangeMode();

    ApplyWindowFont(*this, m_pFontKorean.get(), m_pFontDefault.get());
    return true;
}

bool CLinkDlg::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN && pMsg->hwnd &&
        pMsg->hwnd->GetDlgCtrlID() == IDC_DATA_LENGTH) {
        // Enter in the data-length field applies the length. The dialog
        // manager would run RESIZE a second time as the default button, so
        // the key ends here.
        SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BUTTON_RESIZE, BN_CLICKED), 0);
        return true;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

// Enter and Escape never close the main window.
void CLinkDlg::OnOK() {}

void CLinkDlg::OnCancel() {}

void CLinkDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else if (nID == SC_CLOSE) {
        OnButtonExit();
    } else {
        CDialog::DefWindowProc(WM_SYSCOMMAND, nID, lParam);
    }
}

void CLinkDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rect.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HICON CLinkDlg::OnQueryDragIcon() {
    return m_hIcon;
}

void CLinkDlg::OnSetfocusRecv() {
    // The receive pane keeps the focus but shows neither caret nor selection.
    m_recvView.SendMessage(WM_KILLFOCUS, 0, 0);
}

void CLinkDlg::OnButtonExit() {
    if (MessageBox(LoadString(IDS_EXIT_CONFIRM), m_strTitle, MB_YESNO | MB_ICONEXCLAMATION) ==
        IDYES) {
        EndDialog(0);
    }
}

void CLinkDlg::SetStatusText(const std::string& text) {
    m_editStatus.SetSel(0, -1);
    m_editStatus.ScrollCaret();
    m_editStatus.Clear();
    m_editStatus.ReplaceSel(text, false);
}
