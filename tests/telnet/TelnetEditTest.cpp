// The Telnet engine through its control and a real connection on 127.0.0.1:
// opening requests, negotiation over the socket, the screen's conversions,
// beep and erase, the scroll-back cut, the send side in both modes, and the
// peer's close.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/testing/InputSimulation.h"
#include "telnet/TelnetEdit.h"
#include "telnet/TelnetTestSupport.h"
#include "testkit/LanguageScope.h"
#include "testkit/ScriptedPrompts.h"

namespace {

using telnettest::Bytes;
using telnettest::CTerminalSession;

const std::string kWillTerminalType = Bytes({255, 251, 24});

TEST(TelnetEngine, OpensNegotiationOnlyOnTheTelnetPort) {
    EnglishScope english;
    CTerminalSession telnetPort(23);
    ASSERT_TRUE(telnetPort.peer.WaitForReceived(6));
    EXPECT_EQ(telnetPort.peer.Received(), Bytes({255, 253, 3, 255, 253, 1}));
    EXPECT_EQ(telnetPort.Sends(),
              (std::vector<std::string>{Bytes({255, 253, 3}), Bytes({255, 253, 1})}));

    // Elsewhere the first thing the peer hears is the reply to its own request.
    CTerminalSession otherPort;
    ASSERT_NE(otherPort.peer.Port(), 23U);
    otherPort.peer.Send(Bytes({255, 253, 24}));
    ASSERT_TRUE(otherPort.peer.WaitForReceived(3));
    EXPECT_EQ(otherPort.peer.Received(), kWillTerminalType);
}

TEST(TelnetEngine, NegotiatesOverTheConnection) {
    EnglishScope english;
    CTerminalSession session;
    // Terminal type asked and sent; an unknown option refused both ways; a
    // WONT that gets no reply; a command split between two reads.
    session.peer.Send(Bytes({255, 253, 24}));
    ASSERT_TRUE(session.peer.WaitForReceived(3));
    session.peer.Send(Bytes({255, 250, 24, 1, 255, 240}));
    ASSERT_TRUE(session.peer.WaitForReceived(3 + 11));
    session.peer.Send(Bytes({255, 252, 1, 255, 251, 31, 255, 253, 31}));
    ASSERT_TRUE(session.peer.WaitForReceived(3 + 11 + 6));
    // IAC ends one read (the screen shows the text before it), WILL ECHO
    // starts the next: answered as if it came whole.
    session.peer.Send(Bytes({'a', 255}));
    ASSERT_TRUE(session.WaitForScreen("a"));
    session.peer.Send(Bytes({251, 1}));
    ASSERT_TRUE(session.peer.WaitForReceived(3 + 11 + 6 + 3));
    EXPECT_EQ(session.peer.Received(),
              kWillTerminalType + Bytes({255, 250, 24, 0, 68, 85, 77, 80, 0, 255, 240}) +
                  Bytes({255, 254, 31, 255, 252, 31}) + Bytes({255, 253, 1}));
    EXPECT_EQ(session.Screen(), "a");
    // Every reply is one send call of its own.
    EXPECT_EQ(session.Sends().size(), 5U);
}

struct RxCase {
    const char* name;
    RxMode mode;
    std::string received;
    std::string shown;
};

class TelnetEngineRx : public testing::TestWithParam<RxCase> {};

TEST_P(TelnetEngineRx, ConvertsLineEndsOnScreen) {
    EnglishScope english;
    CTerminalSession session;
    session.Terminal().SetRxMode(GetParam().mode);
    ASSERT_TRUE(session.PeerSendsThenMarker(GetParam().received));
    EXPECT_EQ(session.Screen(), GetParam().shown + "#");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TelnetEngineRx,
    testing::Values(RxCase{"AsReceived", RxMode::AsReceived, "a\rb\nc\r\nd", "a\rb\nc\r\nd"},
                    RxCase{"CrToCrLf", RxMode::CrToCrLf, "a\r\nb\rc\nd", "a\r\nb\r\ncd"},
                    RxCase{"LfToCrLf", RxMode::LfToCrLf, "a\rb\nc\r\nd", "ab\r\nc\r\nd"},
                    RxCase{"NulDropped", RxMode::AsReceived, Bytes({'x', 0, 0, 'y'}), "xy"}),
    [](const auto& info) { return info.param.name; });

TEST(TelnetEngine, BelBeepsOnceEachAndShowsNothing) {
    EnglishScope english;
    ScriptedPrompts prompts;
    CTerminalSession session;
    ASSERT_TRUE(session.PeerSendsThenMarker("ring\a"));
    EXPECT_EQ(session.Screen(), "ring#");
    ASSERT_EQ(prompts.BeepCount(), 1);
    EXPECT_EQ(prompts.Records().back().type, MB_ICONASTERISK);
    ASSERT_TRUE(session.PeerSendsThenMarker("\a\a", "!"));
    EXPECT_EQ(prompts.BeepCount(), 3);
}

TEST(TelnetEngine, ReceivedBackspaceErasesOnScreenButNotBeforeTheStart) {
    EnglishScope english;
    CTerminalSession session;
    ASSERT_TRUE(session.PeerSendsThenMarker("\b\bab\bc"));
    EXPECT_EQ(session.Screen(), "ac#");
    // Across reads: the erase reaches the text of an earlier read.
    ASSERT_TRUE(session.PeerSendsThenMarker("\b\bz", "!"));
    EXPECT_EQ(session.Screen(), "az!");
}

TEST(TelnetEngine, ScrollBackCutsTheOldestCharactersPast300Rows) {
    EnglishScope english;
    CTerminalSession session;
    // 299 lines and the marker's row: 300 rows, well over 2048 characters.
    std::string lines;
    for (int i = 0; i < 299; ++i) lines += "line " + std::to_string(100 + i) + " of the text\r\n";
    ASSERT_TRUE(session.PeerSendsThenMarker(lines, "x"));
    const std::string before = session.Screen();
    ASSERT_EQ(session.Terminal().GetLineCount(), 300);

    // The read that makes row 301 cuts the first 2048 characters.
    ASSERT_TRUE(session.PeerSendsThenMarker("\r\n", "y"));
    const std::string expected = (before + "\r\ny").substr(2048);
    EXPECT_EQ(session.Screen(), expected);
    int start = 0;
    int end = 0;
    session.Terminal().GetSel(start, end);
    EXPECT_EQ(start, static_cast<int>(expected.size()));
    EXPECT_EQ(end, start);
    EXPECT_LE(session.Terminal().GetLineCount(), 300);
}

TEST(TelnetEngine, ScrollBackOfShortTextCutsWhatExists) {
    EnglishScope english;
    CTerminalSession session;
    ASSERT_TRUE(session.PeerSendsThenMarker("", "a"));
    // 301 rows in fewer than 2048 characters: all of it goes.
    std::string rows;
    for (int i = 0; i < 300; ++i) rows += "\r\n";
    session.peer.Send(rows + "z");
    ASSERT_TRUE(session.WaitForScreen(""));
    EXPECT_EQ(session.Terminal().GetLineCount(), 1);
}

TEST(TelnetEngine, LineModeEchoesAndSendsTheLineInOneCall) {
    EnglishScope english;
    CTerminalSession session;
    ASSERT_TRUE(session.PeerSendsThenMarker("$ ", " "));
    session.Terminal().SetLineMode(LineMode::Line);
    session.Terminal().SetTxMode(TxMode::CrLf);
    session.ClearSends();
    // Backspace on the empty line leaves the peer's prompt alone.
    SimulateTyping(&session.Terminal(), "\blx\bs");
    EXPECT_EQ(session.Screen(), "$  ls");
    EXPECT_TRUE(session.Sends().empty());
    SimulateKey(&session.Terminal(), VK_RETURN, "\r");
    EXPECT_EQ(session.Screen(), "$  ls\r\n");
    EXPECT_EQ(session.Sends(), std::vector<std::string>{"ls\r\n"});
    ASSERT_TRUE(session.peer.WaitForReceived(4));
    EXPECT_EQ(session.peer.Received(), "ls\r\n");
}

TEST(TelnetEngine, CharacterModeSendsEachKeyAndShowsNothing) {
    EnglishScope english;
    CTerminalSession session;
    session.Terminal().SetTxMode(TxMode::CrLf);
    // A typed UTF-8 character arrives as its bytes, one character message each.
    SimulateTyping(&session.Terminal(), "a\xC3\xA9");
    SimulateKey(&session.Terminal(), VK_RETURN, "\r");
    SimulateKey(&session.Terminal(), VK_BACK, "\b");
    EXPECT_EQ(session.Sends(), (std::vector<std::string>{"a", "\xC3", "\xA9", "\r\n", "\b"}));
    EXPECT_EQ(session.Screen(), "");
}

TEST(TelnetEngine, AltAndSuperKeysSendNothing) {
    EnglishScope english;
    for (LineMode mode : {LineMode::Character, LineMode::Line}) {
        SCOPED_TRACE(mode == LineMode::Line ? "line mode" : "character mode");
        CTerminalSession session;
        session.Terminal().SetLineMode(mode);
        session.Terminal().SetTxMode(TxMode::Cr);
        SimulateKey(&session.Terminal(), 'X', "x", KeyModifiers{.alt = true});
        SimulateKey(&session.Terminal(), 'B', "b", KeyModifiers{.super = true});
        SimulateKey(&session.Terminal(), VK_RETURN, "\r", KeyModifiers{.alt = true});
        SimulateKey(&session.Terminal(), VK_BACK, "\b", KeyModifiers{.alt = true});
        EXPECT_EQ(session.Screen(), "");
        EXPECT_TRUE(session.Sends().empty());
        // AltGr types the layout's third level.
        SimulateKey(&session.Terminal(), 'Q', "@", KeyModifiers{.altGr = true});
        SimulateKey(&session.Terminal(), VK_RETURN, "\r");
        const std::vector<std::string> sent = mode == LineMode::Line
                                                  ? std::vector<std::string>{"@\r"}
                                                  : std::vector<std::string>{"@", "\r"};
        EXPECT_EQ(session.Sends(), sent);
    }
}

TEST(TelnetEngine, InputMethodTextIsTypedAsItsCharacters) {
    EnglishScope english;
    // "한" composed (ㅎ, 하, 한), then committed with "글" still composing.
    const auto compose = [](CTelnetEdit& terminal) {
        for (const char* step : {"\xE3\x85\x8E", "\xED\x95\x98", "\xED\x95\x9C"}) {
            SimulateInputMethod(&terminal, step, "");
        }
        SimulateInputMethod(&terminal, "\xEA\xB8\x80", "\xED\x95\x9C");
        SimulateInputMethod(&terminal, "", "\xEA\xB8\x80");
    };
    {
        SCOPED_TRACE("character mode: the UTF-8 bytes, one character message each");
        CTerminalSession session;
        compose(session.Terminal());
        EXPECT_EQ(session.Sends(),
                  (std::vector<std::string>{"\xED", "\x95", "\x9C", "\xEA", "\xB8", "\x80"}));
        EXPECT_EQ(session.Screen(), "");
    }
    {
        SCOPED_TRACE("line mode: into the line, sent with Enter");
        CTerminalSession session;
        session.Terminal().SetLineMode(LineMode::Line);
        session.Terminal().SetTxMode(TxMode::Cr);
        compose(session.Terminal());
        EXPECT_TRUE(session.Sends().empty());
        EXPECT_EQ(session.Screen(), "\xED\x95\x9C\xEA\xB8\x80");
        SimulateKey(&session.Terminal(), VK_RETURN, "\r");
        EXPECT_EQ(session.Sends(), std::vector<std::string>{"\xED\x95\x9C\xEA\xB8\x80\r"});
    }
}

TEST(TelnetEngine, PendingLineGoesOutFirstWhenLineModeIsSwitchedOff) {
    EnglishScope english;
    CTerminalSession session;
    session.Terminal().SetLineMode(LineMode::Line);
    SimulateTyping(&session.Terminal(), "ab");
    session.Terminal().SetLineMode(LineMode::Character);
    SimulateTyping(&session.Terminal(), "c");
    EXPECT_EQ(session.Sends(), (std::vector<std::string>{"ab", "c"}));
    EXPECT_EQ(session.Screen(), "ab");
}

TEST(TelnetEngine, KeysAndClicksNeverEditTheScreen) {
    EnglishScope english;
    CTerminalSession session;
    ASSERT_TRUE(session.PeerSendsThenMarker("hello\r\nworld"));
    for (const UINT vk : {VK_LEFT, VK_HOME, VK_UP, VK_DELETE, VK_PRIOR}) {
        SimulateKey(&session.Terminal(), vk);
    }
    SimulateClick(&session.Terminal(), {10, 5});
    int start = 0;
    int end = 0;
    session.Terminal().GetSel(start, end);
    EXPECT_EQ(start, 13);
    EXPECT_EQ(end, 13);
    EXPECT_EQ(session.Screen(), "hello\r\nworld#");
    EXPECT_EQ(CWnd::GetFocus(), &session.Terminal());
    // Received text still lands at the end.
    ASSERT_TRUE(session.PeerSendsThenMarker("!", "$"));
    EXPECT_EQ(session.Screen(), "hello\r\nworld#!$");
}

TEST(TelnetEngine, PeerCloseShowsItAndTurnsTheScreenReadOnly) {
    EnglishScope english;
    CTerminalSession session;
    ASSERT_TRUE(session.PeerSendsThenMarker("bye"));
    session.peer.Close();
    ASSERT_TRUE(session.WaitForScreen("bye#Connection closed\r\n"));
    EXPECT_TRUE(session.Terminal().IsReadOnly());
    // Line mode still echoes; a backspace can no longer delete.
    session.Terminal().SetLineMode(LineMode::Line);
    SimulateTyping(&session.Terminal(), "q\b");
    EXPECT_EQ(session.Screen(), "bye#Connection closed\r\nq");
}

}  // namespace
