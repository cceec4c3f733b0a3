#pragma once
// Resource identifiers: dialog templates, the icon, the system-menu
// command, strings and controls.

// Dialog templates and the icon.
constexpr unsigned IDD_ABOUTBOX = 100;
constexpr unsigned IDD_MAIN = 102;
constexpr unsigned IDR_MAINFRAME = 128;
constexpr unsigned IDD_TELNET = 129;

// The About item appended to the main window's system menu.
constexpr unsigned IDM_ABOUTBOX = 0x0010;

// Strings (there is no 102).
constexpr unsigned IDS_ABOUTBOX = 101;
constexpr unsigned IDS_SOCKETS_INIT_FAILED = 103;
constexpr unsigned IDS_VERSION = 104;
constexpr unsigned IDS_RECEIVE = 105;
constexpr unsigned IDS_SEND = 106;
constexpr unsigned IDS_SAVE = 107;
constexpr unsigned IDS_CLEAR = 108;
constexpr unsigned IDS_RECEIVE_COUNT = 109;
constexpr unsigned IDS_BYTES = 110;
constexpr unsigned IDS_LOAD = 111;
constexpr unsigned IDS_APPLY = 112;
constexpr unsigned IDS_REMOTE_HOST_ADDRESS = 113;
constexpr unsigned IDS_REMOTE_HOST_PORT = 114;
constexpr unsigned IDS_SERVER = 115;
constexpr unsigned IDS_KEEP_ALIVE = 116;
constexpr unsigned IDS_LOCAL_PORT = 117;
constexpr unsigned IDS_CONNECT = 118;
constexpr unsigned IDS_DISCONNECT = 119;
constexpr unsigned IDS_LISTEN = 120;
constexpr unsigned IDS_READY = 121;
constexpr unsigned IDS_CONNECTING = 122;
constexpr unsigned IDS_LISTENING = 123;
constexpr unsigned IDS_CONNECTED = 124;
constexpr unsigned IDS_TELNET = 125;
constexpr unsigned IDS_EXIT = 126;
constexpr unsigned IDS_EXIT_CONFIRM = 127;
constexpr unsigned IDS_OK = 128;
constexpr unsigned IDS_CLOSE = 129;
constexpr unsigned IDS_NEWLINE = 130;
constexpr unsigned IDS_LINEMODE = 131;
constexpr unsigned IDS_DONT_CONVERT = 132;
constexpr unsigned IDS_SEND_DATA = 133;
constexpr unsigned IDS_DATA_LENGTH = 134;
constexpr unsigned IDS_RECEIVE_DATA = 135;
constexpr unsigned IDS_SEND_DATA_FRAME = 136;
constexpr unsigned IDS_TCP_CLIENT = 137;
constexpr unsigned IDS_TCP_SERVER = 138;
// Long file transfers and exhausted memory (%1, %2 ... stand for the values
// filled in).
constexpr unsigned IDS_CANCEL = 139;
constexpr unsigned IDS_LOADING_FILE = 140;
constexpr unsigned IDS_SAVING_FILE = 141;
constexpr unsigned IDS_PROGRESS_BYTES = 142;
constexpr unsigned IDS_SAVE_CANCELED = 143;
constexpr unsigned IDS_LOAD_NO_MEMORY = 144;
constexpr unsigned IDS_RECEIVE_NO_MEMORY = 145;
constexpr unsigned IDS_SEND_NO_MEMORY = 146;
constexpr unsigned IDS_RESIZE_NO_MEMORY = 147;
constexpr unsigned IDS_SAVE_NO_MEMORY = 148;
// Messages about bytes lost with a connection or to a receive error; "%1"
// stands for a count.
constexpr unsigned IDS_BYTES_NOT_SENT = 149;
constexpr unsigned IDS_DATAGRAMS_TOO_LONG = 150;
constexpr unsigned IDS_ERROR_REPEATED = 151;

// Main window controls.
constexpr int IDC_SEND_PANE = 1004;
constexpr int IDC_RECV_PANE = 1008;
constexpr int IDC_REMOTE_PORT = 1013;
constexpr int IDC_BUTTON_CONNECT = 1014;
constexpr int IDC_LOCAL_PORT = 1015;
constexpr int IDC_BUTTON_SEND = 1019;
constexpr int IDC_BUTTON_CLOSE = 1020;
constexpr int IDC_BUTTON_CLEAR = 1021;
constexpr int IDC_BUTTON_RESIZE = 1029;
constexpr int IDC_BUTTON_LOAD = 1031;
constexpr int IDC_BUTTON_SAVE_RECV = 1032;
constexpr int IDC_BUTTON_SAVE_SEND = 1033;
constexpr int IDC_BUTTON_TELNET = 1034;
constexpr int IDC_STATUS = 1037;
constexpr int IDC_DATA_LENGTH = 1039;
constexpr int IDC_SPIN = 1040;
constexpr int IDC_REMOTE_IP = 1056;
constexpr int IDC_KEEP_ALIVE = 1057;
constexpr int IDC_RECV_COUNT = 1058;
constexpr int IDC_GROUP_RECV = 1059;
constexpr int IDC_GROUP_SEND = 1060;
constexpr int IDC_STATIC_REMOTE_IP = 1061;
constexpr int IDC_STATIC_REMOTE_PORT = 1062;
constexpr int IDC_STATIC_LOCAL_PORT = 1063;
constexpr int IDC_STATIC_BYTES = 1064;
constexpr int IDC_BUTTON_EXIT = 1065;
constexpr int IDC_STATIC_RECV_COUNT = 1066;
constexpr int IDC_STATIC_DATA_LENGTH = 1069;
constexpr int IDC_MODE = 1072;

// About box controls.
constexpr int IDC_VERSION = 1067;

// Telnet window controls (1020, 1059, 1060 and 1069 are shared ids).
constexpr int IDC_TERMINAL = 1042;
constexpr int IDC_RX_COMBO = 1047;
constexpr int IDC_TX_COMBO = 1048;
constexpr int IDC_LINEMODE = 1052;
constexpr int IDC_STATIC_RX = 1059;
constexpr int IDC_STATIC_TX = 1060;
constexpr int IDC_GROUP_NEWLINE = 1068;
constexpr int IDC_GROUP_LINEMODE = 1069;
