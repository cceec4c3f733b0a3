// The Telnet protocol core against a recording sink: negotiation replies,
// parser edge cases, line-end conversion, the send side and scroll-back.

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "telnet/TelnetProtocol.h"

namespace {

using namespace telnet;

// Failing rows print by their name rather than as raw bytes.
template <typename Case>
    requires requires(const Case& c) { std::string_view(c.name); }
void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (const int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

std::span<const std::uint8_t> AsSpan(const std::string& s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Records every effect in order and keeps a model of the screen, whose caret
// stays at the end of the text as it does in the terminal.
class CRecordingSink : public CTelnetSink {
public:
    void Send(const std::uint8_t* data, std::size_t length) override
    {
        sends.emplace_back(reinterpret_cast<const char*>(data), length);
        ops.push_back("send");
    }
    void InsertText(std::string_view text) override
    {
        EXPECT_EQ(text.data()[text.size()], '\0');
        screen += text;
        ops.push_back("insert:" + std::string(text));
    }
    void EraseBeforeCaret() override
    {
        if (!screen.empty())
            screen.pop_back();
        ops.push_back("erase");
    }
    void Beep() override
    {
        ++beeps;
        ops.push_back("beep");
    }

    std::vector<std::string> sends;
    std::vector<std::string> ops;
    std::string screen;
    int beeps = 0;
};

struct Terminal {
    explicit Terminal(EchoOffer offer = EchoOffer::Refuse) : protocol(sink, offer) {}
    void Receive(const std::string& bytes) { protocol.ProcessReceived(AsSpan(bytes)); }
    CRecordingSink sink;
    CTelnetProtocol protocol;
};

// ---------------------------------------------------------------------------
// Opening and negotiation

TEST(TelnetProtocol, Port23OpensNegotiationOtherPortsWait)
{
    Terminal port23;
    port23.protocol.StartProtocol(23);
    EXPECT_EQ(port23.sink.sends,
              (std::vector<std::string>{Bytes({255, 253, 3}), Bytes({255, 253, 1})}));

    Terminal other;
    other.protocol.StartProtocol(2323);
    EXPECT_TRUE(other.sink.sends.empty());
}

TEST(TelnetProtocol, StartProtocolResetsParserButKeepsMarks)
{
    Terminal t;
    t.Receive(Bytes({255, 251, 3, 255})); // SGA answered, then a dangling IAC
    t.protocol.StartProtocol(23);
    t.Receive(Bytes({'A', 255, 251, 3}));
    EXPECT_EQ(t.sink.screen, "A");
    // DO SGA from the first connection and the two opening requests; the
    // second WILL SGA finds the mark set.
    EXPECT_EQ(t.sink.sends, (std::vector<std::string>{Bytes({255, 253, 3}), Bytes({255, 253, 3}),
                                                       Bytes({255, 253, 1})}));
}

// One exchange with a peer: what it sends, read by read, and what the
// terminal shows and answers.
struct ExchangeCase {
    const char* name;
    std::vector<std::string> reads;
    std::vector<std::string> replies = {};
    std::string screen = "";
    RxMode rx = RxMode::AsReceived;
    EchoOffer offer = EchoOffer::Refuse;
};

class Exchange : public testing::TestWithParam<ExchangeCase> {};

TEST_P(Exchange, ShowsAndReplies)
{
    const ExchangeCase& c = GetParam();
    Terminal t(c.offer);
    t.protocol.SetRxMode(c.rx);
    for (const std::string& read : c.reads)
        t.Receive(read);
    EXPECT_EQ(t.sink.sends, c.replies);
    EXPECT_EQ(t.sink.screen, c.screen);
}

std::string Repeat(std::string_view text, std::size_t n)
{
    std::string out;
    for (std::size_t i = 0; i < n; ++i)
        out += text;
    return out;
}

const std::string kWillSga = Bytes({255, 251, 3});
const std::string kDoSga = Bytes({255, 253, 3});
const std::string kWillEcho = Bytes({255, 251, 1});
const std::string kDoEcho = Bytes({255, 253, 1});
const std::string kWontEcho = Bytes({255, 252, 1});
const std::string kTerminalTypeIs = Bytes({255, 250, 24, 0, 68, 85, 77, 80, 0, 255, 240});

INSTANTIATE_TEST_SUITE_P(
    Negotiation, Exchange,
    testing::Values(
        ExchangeCase{"SgaMarkSetByWill", {kWillSga, kWillSga, kDoSga}, {kDoSga}},
        ExchangeCase{"SgaMarkSetByDo", {kDoSga, kDoSga, kWillSga}, {kWillSga}},
        ExchangeCase{"EchoMarkSetByWill", {kWillEcho, kWillEcho}, {kDoEcho}},
        ExchangeCase{"DoEchoRefusedEveryTimeAndMarks", {kDoEcho, kDoEcho, kWillEcho},
                     {kWontEcho, kWontEcho}},
        ExchangeCase{"DoEchoRefusedAfterWillEcho", {kWillEcho, kDoEcho}, {kDoEcho, kWontEcho}},
        ExchangeCase{.name = "DoEchoOfferedOnceAndMarks",
                     .reads = {kDoEcho, kDoEcho, kWillEcho},
                     .replies = {kWillEcho},
                     .offer = EchoOffer::Accept},
        ExchangeCase{.name = "DoEchoOfferAfterWillEcho",
                     .reads = {kWillEcho, kDoEcho},
                     .replies = {kDoEcho},
                     .offer = EchoOffer::Accept},
        ExchangeCase{"WillOtherRefusedEveryTime",
                     {Bytes({255, 251, 31}), Bytes({255, 251, 31}), Bytes({255, 251, 24})},
                     {Bytes({255, 254, 31}), Bytes({255, 254, 31}), Bytes({255, 254, 24})}},
        ExchangeCase{"DoOtherRefusedEveryTime", {Bytes({255, 253, 31}), Bytes({255, 253, 31})},
                     {Bytes({255, 252, 31}), Bytes({255, 252, 31})}},
        ExchangeCase{"DoTerminalTypeAcceptedEveryTime",
                     {Bytes({255, 253, 24}), Bytes({255, 253, 24})},
                     {Bytes({255, 251, 24}), Bytes({255, 251, 24})}},
        ExchangeCase{"WontDontAndOtherCommandsIgnored",
                     {Bytes({255, 252, 1}), Bytes({255, 254, 3}), Bytes({255, 244, 3})}},
        ExchangeCase{"RefusalsSetNoMark",
                     {Bytes({255, 252, 3}), Bytes({255, 254, 1}), kWillSga, kWillEcho},
                     {kDoSga, kDoEcho}}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Parser, Exchange,
    testing::Values(
        ExchangeCase{"IacIacSwallowsNextByte", {Bytes({255, 255, 'A', 'B'})}, {}, "B"},
        ExchangeCase{"NopSwallowsNextByte", {Bytes({255, 241, 'A'})}},
        ExchangeCase{"CommandSplitAfterVerb", {Bytes({'x', 255, 251}), Bytes({1, 'y'})},
                     {kDoEcho}, "xy"},
        ExchangeCase{"TerminalTypeSend", {Bytes({255, 250, 24, 1, 255, 240})}, {kTerminalTypeIs}},
        ExchangeCase{"TerminalTypeSendWithIacAsLastStoredByte",
                     {Bytes({255, 250, 24, 1}) + Repeat("p", 29) + Bytes({255, 240, 'z'})},
                     {kTerminalTypeIs}, "z"},
        ExchangeCase{"TerminalTypeOtherSubcommandIgnored", {Bytes({255, 250, 24, 0, 255, 240})}},
        ExchangeCase{"OtherOptionSubnegotiationIgnored", {Bytes({255, 250, 31, 1, 255, 240})}},
        ExchangeCase{"SubnegotiationAbandonedAt32Bytes",
                     {Bytes({255, 250}) + Repeat("d", 32) + "shown!!!"}, {}, "shown!!!"},
        // The IAC SE after an abandoned subnegotiation is a command again and
        // takes the next byte as its option.
        ExchangeCase{"IacSeAfterAbandonedSubnegotiation",
                     {Bytes({255, 250, 24, 1}) + Repeat("p", 30) + Bytes({255, 240, 'A', 'B'})},
                     {}, "B"},
        ExchangeCase{"IacThenOtherThanSeDropsSubnegotiation",
                     {Bytes({255, 250, 24, 1, 255, 'X', 'Y'})}, {}, "Y"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Display, Exchange,
    testing::Values(
        ExchangeCase{"Rx0LineEndsAsReceived", {"a\rb\nc\r\nd"}, {}, "a\rb\nc\r\nd"},
        ExchangeCase{"Rx1CrBecomesCrLfLfDropped", {"a\rb\nc\r\nd"}, {}, "a\r\nbc\r\nd",
                     RxMode::CrToCrLf},
        ExchangeCase{"Rx2CrDroppedLfBecomesCrLf", {"a\rb\nc\r\nd"}, {}, "ab\r\nc\r\nd",
                     RxMode::LfToCrLf},
        ExchangeCase{"NulDropped", {Bytes({'a', 0, 'b'})}, {}, "ab"},
        ExchangeCase{"BackspaceErasesEarlierRead", {"abc", "\bd"}, {}, "abd"},
        ExchangeCase{"OtherBytesUnchanged", {Bytes({1, 27, '[', 127, 128, 200, 254})}, {},
                     Bytes({1, 27, '[', 127, 128, 200, 254})},
        ExchangeCase{"ReadLongerThanBuffer", {Repeat("\r", 3000)}, {}, Repeat("\r\n", 3000),
                     RxMode::CrToCrLf}),
    [](const auto& info) { return info.param.name; });

struct ScreenOpsCase {
    const char* name;
    std::string read;
    std::vector<std::string> ops;
};

class ScreenOps : public testing::TestWithParam<ScreenOpsCase> {};

TEST_P(ScreenOps, OneInsertionPerReadInOrder)
{
    Terminal t;
    t.Receive(GetParam().read);
    EXPECT_EQ(t.sink.ops, GetParam().ops);
}

INSTANTIATE_TEST_SUITE_P(
    TelnetProtocol, ScreenOps,
    testing::Values(
        ScreenOpsCase{"EmptyReadStillInserts", "", {"insert:"}},
        ScreenOpsCase{"CommandOnlyInsertsEmpty", Bytes({255, 252, 1}), {"insert:"}},
        ScreenOpsCase{"BelBeepsEachTimeShowsNothing", "a\a\ab", {"beep", "beep", "insert:ab"}},
        ScreenOpsCase{"BackspaceFlushesThenErases", "ab\bc", {"insert:ab", "erase", "insert:c"}},
        ScreenOpsCase{"BackspaceAtStart", "\bx", {"insert:", "erase", "insert:x"}}),
    [](const auto& info) { return info.param.name; });

// Any stream cut into reads at any points must give what the whole stream
// gives in one read: the parser state carries every partial command over.
TEST(TelnetProtocol, SplitReadsMatchOneRead)
{
    std::mt19937 rng(20240611);
    const std::vector<int> interesting = {255, 255, 255, 250, 240, 251, 252, 253, 254, 241,
                                          1,   3,   24,  0,   7,   8,   10,  13,  'a', 'z'};
    for (int round = 0; round < 5000; ++round) {
        std::string stream(rng() % 200, '\0');
        for (char& c : stream) {
            c = static_cast<char>(rng() % 2 ? interesting[rng() % interesting.size()]
                                            : static_cast<int>(rng() % 256));
        }
        const auto rx = static_cast<RxMode>(rng() % 3);

        Terminal whole;
        whole.protocol.SetRxMode(rx);
        whole.Receive(stream);

        Terminal split;
        split.protocol.SetRxMode(rx);
        for (std::size_t pos = 0; pos < stream.size();) {
            const std::size_t len = 1 + rng() % 8;
            split.Receive(stream.substr(pos, len));
            pos += len;
        }

        ASSERT_EQ(whole.sink.sends, split.sink.sends) << "round " << round;
        ASSERT_EQ(whole.sink.screen, split.sink.screen) << "round " << round;
        ASSERT_EQ(whole.sink.beeps, split.sink.beeps) << "round " << round;
        ASSERT_EQ(whole.protocol.GetParserState(), split.protocol.GetParserState());
    }
}

// ---------------------------------------------------------------------------
// Send side

struct KeyboardCase {
    const char* name;
    LineMode lineMode;
    TxMode tx;
    std::vector<unsigned> keys;
    std::vector<std::string> sends;
    std::string screen; // after "peer> " already on screen
};

class Keyboard : public testing::TestWithParam<KeyboardCase> {};

TEST_P(Keyboard, SendsAndShows)
{
    const KeyboardCase& c = GetParam();
    CRecordingSink sink;
    sink.screen = "peer> ";
    CTelnetKeyboard keyboard(sink);
    keyboard.SetLineMode(c.lineMode);
    keyboard.SetTxMode(c.tx);
    for (const unsigned key : c.keys)
        keyboard.TypeChar(key);
    EXPECT_EQ(sink.sends, c.sends);
    EXPECT_EQ(sink.screen, c.screen);
}

INSTANTIATE_TEST_SUITE_P(
    TelnetProtocol, Keyboard,
    testing::Values(
        KeyboardCase{"LineTx1TypoCorrected", LineMode::Line, TxMode::CrLf, {'l', 'x', 8, 's', 13},
                     {"ls\r\n"}, "peer> ls\r\n"},
        KeyboardCase{"LineShowsCrLfWhateverTxMode", LineMode::Line, TxMode::Lf,
                     {'l', 's', 13}, {"ls\n"}, "peer> ls\r\n"},
        KeyboardCase{"LineBackspaceOnEmptyLineKeepsPeerText", LineMode::Line, TxMode::CrLf,
                     {8, 8, 'a', 8, 8}, {}, "peer> "},
        KeyboardCase{"LineOnlyLowByteAnd255Unchanged", LineMode::Line, TxMode::Cr,
                     {0x141, 0xFF, 13}, {Bytes({'A', 255, 13})}, "peer> A\xFF\r\n"},
        KeyboardCase{"LineNulSentNotShown", LineMode::Line, TxMode::Cr, {'a', 0, 13},
                     {Bytes({'a', 0, 13})}, "peer> a\r\n"},
        KeyboardCase{"LineBackspaceOverNulErasesNothingShown", LineMode::Line, TxMode::Cr,
                     {'a', 'b', 0, 8, 13}, {"ab\r"}, "peer> ab\r\n"},
        KeyboardCase{"CharTx0Enter", LineMode::Character, TxMode::Cr, {13}, {"\r"}, "peer> "},
        KeyboardCase{"CharTx1EnterOneSend", LineMode::Character, TxMode::CrLf, {13}, {"\r\n"},
                     "peer> "},
        KeyboardCase{"CharTx2Enter", LineMode::Character, TxMode::Lf, {13}, {"\n"}, "peer> "},
        KeyboardCase{"CharEachKeyOneSend", LineMode::Character, TxMode::CrLf,
                     {'a', 8, 0x1FF, 10}, {"a", "\b", Bytes({255}), "\n"}, "peer> "}),
    [](const auto& info) { return info.param.name; });

TEST(TelnetKeyboard, PendingLineGoesOutBeforeFirstCharacterModeKey)
{
    CRecordingSink sink;
    CTelnetKeyboard keyboard(sink);
    keyboard.SetLineMode(LineMode::Line);
    keyboard.TypeChar('a');
    keyboard.TypeChar('b');
    keyboard.SetLineMode(LineMode::Character);
    keyboard.TypeChar('c');
    EXPECT_EQ(sink.sends, (std::vector<std::string>{"ab", "c"}));
    EXPECT_EQ(keyboard.GetLineLength(), 0U);
}

TEST(TelnetKeyboard, FullLineRefusesWithBeepAndEnterSendsAll)
{
    constexpr std::size_t kRoom = kLineBufferSize - kLongestLineEnd;
    CRecordingSink sink;
    CTelnetKeyboard keyboard(sink);
    keyboard.SetLineMode(LineMode::Line);
    keyboard.SetTxMode(TxMode::CrLf);
    for (std::size_t i = 0; i < kRoom; ++i)
        keyboard.TypeChar('x');
    EXPECT_EQ(sink.beeps, 0);

    keyboard.TypeChar('y');
    keyboard.TypeChar('y');
    EXPECT_EQ(sink.beeps, 2);
    EXPECT_EQ(keyboard.GetLineLength(), kRoom);
    EXPECT_EQ(sink.screen, Repeat("x", kRoom));

    keyboard.TypeChar(8); // room again for one character
    keyboard.TypeChar('z');
    keyboard.TypeChar(13);
    ASSERT_EQ(sink.sends.size(), 1U);
    EXPECT_EQ(sink.sends[0], Repeat("x", kRoom - 1) + "z\r\n");
    EXPECT_EQ(sink.sends[0].size(), kLineBufferSize);
}

// ---------------------------------------------------------------------------
// Scroll-back

struct ScrollBackCase {
    const char* name;
    int lines;
    int textLength;
    int caret;
    std::optional<ScrollBackCut> cut;
};

class ScrollBack : public testing::TestWithParam<ScrollBackCase> {};

TEST_P(ScrollBack, CutsOnlyPast300Lines)
{
    const ScrollBackCase& c = GetParam();
    EXPECT_EQ(PlanScrollBackCut(c.lines, c.textLength, c.caret), c.cut);
}

INSTANTIATE_TEST_SUITE_P(
    TelnetProtocol, ScrollBack,
    testing::Values(ScrollBackCase{"At300LinesNothing", 300, 9000, 9000, std::nullopt},
                    ScrollBackCase{"Past300CutsFirst2048", 301, 9000, 9000, {{2048, 6952}}},
                    ScrollBackCase{"ShortTextCutWhole", 400, 700, 700, {{700, 0}}},
                    ScrollBackCase{"CaretInCutPartGoesToStart", 301, 9000, 100, {{2048, 0}}}),
    [](const auto& info) { return info.param.name; });

} // namespace
