// The user-interface texts in English and Korean. Both tables hold the same
// ids; the Korean texts are UTF-8.

#include "res/ResourceData.h"
#include "res/resource.h"

namespace resource_data {
namespace {

constexpr StringTableEntry kEnglish[] = {
    {IDS_ABOUTBOX, "&About Velmora..."},
    {IDS_SOCKETS_INIT_FAILED, "Windows sockets initialization failed."},
    {IDS_VERSION, "Velmora v1.3b (2009/03/26)"},
    {IDS_RECEIVE, "Receive"},
    {IDS_SEND, "Send"},
    {IDS_SAVE, "Save"},
    {IDS_CLEAR, "Clear"},
    {IDS_RECEIVE_COUNT, "Receive Count"},
    {IDS_BYTES, "Byte(s)"},
    {IDS_LOAD, "Load"},
    {IDS_APPLY, "Apply"},
    {IDS_REMOTE_HOST_ADDRESS, "Remote Host Address"},
    {IDS_REMOTE_HOST_PORT, "Remote Host Port"},
    {IDS_SERVER, "Server"},
    {IDS_KEEP_ALIVE, "Keep Alive"},
    {IDS_LOCAL_PORT, "Local Port"},
    {IDS_CONNECT, "Connect"},
    {IDS_DISCONNECT, "Disconnect"},
    {IDS_LISTEN, "Listen"},
    {IDS_READY, "Ready"},
    {IDS_CONNECTING, "Connecting"},
    {IDS_LISTENING, "Listening"},
    {IDS_CONNECTED, "Connected"},
    {IDS_TELNET, "Telnet"},
    {IDS_EXIT, "Exit"},
    {IDS_EXIT_CONFIRM, "Do you want to exit program?"},
    {IDS_OK, "OK"},
    {IDS_CLOSE, "Close"},
    {IDS_NEWLINE, "New-line"},
    {IDS_LINEMODE, "Linemode"},
    {IDS_DONT_CONVERT, "Don't Convert"},
    {IDS_SEND_DATA, "Send Data"},
    {IDS_DATA_LENGTH, "Data Length"},
    {IDS_RECEIVE_DATA, "Receive Data"},
    {IDS_SEND_DATA_FRAME, "Send Data"},
    {IDS_TCP_CLIENT, "TCP Client"},
    {IDS_TCP_SERVER, "TCP Server"},
    {IDS_CANCEL, "Cancel"},
    {IDS_LOADING_FILE, "Loading %1"},
    {IDS_SAVING_FILE, "Saving %1"},
    {IDS_PROGRESS_BYTES, "%1 of %2 bytes"},
    {IDS_SAVE_CANCELED, "Saving was canceled: %1 of %2 bytes were written to %3."},
    {IDS_LOAD_NO_MEMORY, "Not enough memory to load %1 (%2 bytes). The send data is unchanged."},
    {IDS_RECEIVE_NO_MEMORY,
     "Not enough memory to store more received data, so the connection was closed. The %1 bytes "
     "received before it are kept and can be saved."},
    {IDS_SEND_NO_MEMORY, "Not enough memory to send the data. Nothing was sent."},
    {IDS_RESIZE_NO_MEMORY, "Not enough memory to change the data length. The send data is unchanged."},
    {IDS_SAVE_NO_MEMORY, "Not enough memory to save %1."},
};

constexpr StringTableEntry kKorean[] = {
    {IDS_ABOUTBOX, "Velmora 정보.(&A)..."},
    {IDS_SOCKETS_INIT_FAILED, "소켓을 초기화 할 수 없습니다."},
    {IDS_VERSION, "Velmora v1.3b (2009/03/26)"},
    {IDS_RECEIVE, "수신"},
    {IDS_SEND, "송신"},
    {IDS_SAVE, "저장하기"},
    {IDS_CLEAR, "삭제"},
    {IDS_RECEIVE_COUNT, "받은 데이터 수"},
    {IDS_BYTES, "바이트"},
    {IDS_LOAD, "불러오기"},
    {IDS_APPLY, "적용"},
    {IDS_REMOTE_HOST_ADDRESS, "통신할 주소"},
    {IDS_REMOTE_HOST_PORT, "통신할 포트"},
    {IDS_SERVER, "서버"},
    {IDS_KEEP_ALIVE, "접속유지"},
    {IDS_LOCAL_PORT, "로컬 포트"},
    {IDS_CONNECT, "접속 하기"},
    {IDS_DISCONNECT, "접속 종료"},
    {IDS_LISTEN, "접속 대기"},
    {IDS_READY, "대기 중"},
    {IDS_CONNECTING, "접속 시도 중"},
    {IDS_LISTENING, "접속 대기 중"},
    {IDS_CONNECTED, "접속 완료"},
    {IDS_TELNET, "텔넷"},
    {IDS_EXIT, "프로그램 종료"},
    {IDS_EXIT_CONFIRM, "프로그램을 종료 하시겠습니까?"},
    {IDS_OK, "확인"},
    {IDS_CLOSE, "닫기"},
    {IDS_NEWLINE, "줄 바꿈 문자"},
    {IDS_LINEMODE, "라인모드"},
    {IDS_DONT_CONVERT, "변환안함"},
    {IDS_SEND_DATA, "데이터 보내기"},
    {IDS_DATA_LENGTH, "데이터 길이"},
    {IDS_RECEIVE_DATA, "받은 데이터"},
    {IDS_SEND_DATA_FRAME, "보낼 데이터"},
    {IDS_TCP_CLIENT, "TCP 클라이언트"},
    {IDS_TCP_SERVER, "TCP 서버"},
    {IDS_CANCEL, "취소"},
    {IDS_LOADING_FILE, "%1 불러오는 중"},
    {IDS_SAVING_FILE, "%1 저장하는 중"},
    {IDS_PROGRESS_BYTES, "%2 바이트 중 %1 바이트"},
    {IDS_SAVE_CANCELED, "저장을 취소했습니다: %3 에 %2 바이트 중 %1 바이트를 썼습니다."},
    {IDS_LOAD_NO_MEMORY, "메모리가 부족하여 %1 (%2 바이트) 파일을 불러올 수 없습니다. 보낼 데이터는 그대로입니다."},
    {IDS_RECEIVE_NO_MEMORY,
     "메모리가 부족하여 받은 데이터를 더 저장할 수 없으므로 접속을 종료했습니다. 그 전에 받은 %1 "
     "바이트는 그대로 있으며 저장할 수 있습니다."},
    {IDS_SEND_NO_MEMORY, "메모리가 부족하여 데이터를 보낼 수 없습니다. 아무것도 보내지 않았습니다."},
    {IDS_RESIZE_NO_MEMORY, "메모리가 부족하여 데이터 길이를 바꿀 수 없습니다. 보낼 데이터는 그대로입니다."},
    {IDS_SAVE_NO_MEMORY, "메모리가 부족하여 %1 에 저장할 수 없습니다."},
};

} // namespace

constexpr std::span<const StringTableEntry> englishStrings{kEnglish};
constexpr std::span<const StringTableEntry> koreanStrings{kKorean};

} // namespace resource_data
