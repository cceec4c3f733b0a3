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
};

} // namespace

constexpr std::span<const StringTableEntry> englishStrings{kEnglish};
constexpr std::span<const StringTableEntry> koreanStrings{kKorean};

} // namespace resource_data
