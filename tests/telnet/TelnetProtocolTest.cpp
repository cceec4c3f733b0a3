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
requires requires(const Case& c) {
    std::string_view(c.name);
}
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) out.push_back(static_cast<char>(v));
    return out;
}

std::span<const std::uint8_t> AsSpan(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Records every effect in order and keeps a model of the screen, whose caret
// stays at the end of the text as it does in the terminal.
class CRecordingSink : public CTelnetSink {
public:
    void Send(const std::uint8_t* data, std::size_t length) override {
        sends.emplace_back(reinterpret_cast<const char*>(data), length);
        ops.push_back("send");
    }
    void InsertText(std::string_view text) override {
        EXPECT_EQ(text.data()[text.size()], '\0');
        screen += text;
        ops.push_back("insert:" + std::string(text));
    }
    void EraseBeforeCaret() override {
        if (!screen.empty()) screen.pop_back();
        ops.push_back("erase");
    }
    void Beep() override {
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

const std::string kWillSga = Bytes({255, 251, 3});
const std::string kDoSga = Bytes({255, 253, 3});
const std::string kWillEcho = Bytes({255, 251, 1});
const std::string kDoEcho = Bytes({255, 253, 1});
const std::string kWontEcho = Bytes({255, 252, 1});
const std::string kTerminalTypeIs = Bytes({255, 250, 24, 0, 68, 85, 77, 80, 0, 255, 240});

// ---------------------------------------------------------------------------
// Opening and negotiation

TEST(TelnetProtocol, Port23OpensNegotiationOtherPortsWait) {
    Terminal port23;
    port23.protocol.StartProtocol(23);
    EXPECT_EQ(port23.sink.sends,
              (std::vector<std::string>{Bytes({255, 253, 3}), Bytes({255, 253, 1})}));

    Terminal other;
    other.protocol.StartProtocol(2323);
    EXPECT_TRUE(other.sink.sends.empty());
}

TEST(TelnetProtocol, StartProtocolBeginsNegotiationAfresh) {
    Terminal t;
    t.Receive(kWillSga + kWillEcho + Bytes({255, 250, 24}));  // marks set, inside a subnegotiation
    ASSERT_TRUE(t.protocol.IsSgaAnswered());
    ASSERT_TRUE(t.protocol.IsEchoAnswered());
    t.sink.sends.clear();

    // The next connection's server gets its answers as the first one did,
    // and its first bytes are text, not the rest of the old subnegotiation.
    t.protocol.StartProtocol(2323);
    EXPECT_FALSE(t.protocol.IsSgaAnswered());
    EXPECT_FALSE(t.protocol.IsEchoAnswered());
    EXPECT_EQ(t.protocol.GetSubnegotiationLength(), 0U);
    t.Receive("A" + kWillSga + kWillEcho);
    EXPECT_EQ(t.sink.screen, "A");
    EXPECT_EQ(t.sink.sends, (std::vector<std::string>{kDoSga, kDoEcho}));

    // On port 23 the opening requests set no mark: the server's
    // confirmations are answered once more, then the marks hold.
    t.sink.sends.clear();
    t.protocol.StartProtocol(23);
    t.Receive(kWillSga + kWillEcho + kWillSga + kWillEcho);
    EXPECT_EQ(t.sink.sends, (std::vector<std::string>{kDoSga, kDoEcho, kDoSga, kDoEcho}));
}

// One exchange with a peer: the bytes it sends and what the terminal shows,
// answers and beeps. Every row is fed as one read, at every split into two
// reads and one byte a read: all must give the same outcome.
struct ExchangeCase {
    const char* name;
    std::string stream;
    std::vector<std::string> replies = {};
    std::string screen = "";
    RxMode rx = RxMode::AsReceived;
    EchoOffer offer = EchoOffer::Refuse;
    int beeps = 0;
};

struct Outcome {
    std::vector<std::string> sends;
    std::string screen;
    int beeps = 0;
    CTelnetProtocol::ParserState state = CTelnetProtocol::ParserState::Data;
    std::size_t subLength = 0;
    bool subDropped = false;
    bool sga = false;
    bool echo = false;
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
    *os << "{" << o.sends.size() << " sends, screen " << testing::PrintToString(o.screen) << ", "
        << o.beeps << " beeps, state " << static_cast<int>(o.state) << ", sub " << o.subLength
        << (o.subDropped ? " dropped" : "") << ", marks " << o.sga << o.echo << "}";
}

// Feeds `stream` cut into reads of the given lengths (the last one takes
// the rest).
Outcome Feed(const std::string& stream, const std::vector<std::size_t>& reads, RxMode rx,
             EchoOffer offer) {
    Terminal t(offer);
    t.protocol.SetRxMode(rx);
    std::size_t pos = 0;
    for (const std::size_t length : reads) {
        t.Receive(stream.substr(pos, length));
        pos += length;
    }
    if (pos < stream.size()) t.Receive(stream.substr(pos));
    return {t.sink.sends,
            t.sink.screen,
            t.sink.beeps,
            t.protocol.GetParserState(),
            t.protocol.GetSubnegotiationLength(),
            t.protocol.IsSubnegotiationDropped(),
            t.protocol.IsSgaAnswered(),
            t.protocol.IsEchoAnswered()};
}

class Exchange : public testing::TestWithParam<ExchangeCase> {};

TEST_P(Exchange, SameAtEveryReadBoundary) {
    const ExchangeCase& c = GetParam();
    const Outcome whole = Feed(c.stream, {}, c.rx, c.offer);
    EXPECT_EQ(whole.sends, c.replies);
    EXPECT_EQ(whole.screen, c.screen);
    EXPECT_EQ(whole.beeps, c.beeps);

    for (std::size_t cut = 1; cut < c.stream.size(); ++cut)
        ASSERT_EQ(Feed(c.stream, {cut}, c.rx, c.offer), whole) << "split after byte " << cut;
    const std::vector<std::size_t> bytewise(c.stream.size(), 1);
    EXPECT_EQ(Feed(c.stream, bytewise, c.rx, c.offer), whole) << "one byte a read";
}

std::string Repeat(std::string_view text, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += text;
    return out;
}

const std::string kTerminalTypeSend = Bytes({255, 250, 24, 1, 255, 240});
const std::string kIacSe = Bytes({255, 240});

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Negotiation, Exchange,
    testing::Values(
        ExchangeCase{"SgaMarkSetByWill", kWillSga + kWillSga + kDoSga, {kDoSga}},
        ExchangeCase{"SgaMarkSetByDo", kDoSga + kDoSga + kWillSga, {kWillSga}},
        ExchangeCase{"EchoMarkSetByWill", kWillEcho + kWillEcho, {kDoEcho}},
        ExchangeCase{"DoEchoRefusedEveryTimeAndMarks", kDoEcho + kDoEcho + kWillEcho,
                     {kWontEcho, kWontEcho}},
        ExchangeCase{"DoEchoRefusedAfterWillEcho", kWillEcho + kDoEcho, {kDoEcho, kWontEcho}},
        ExchangeCase{.name = "DoEchoOfferedOnceAndMarks",
                     .stream = kDoEcho + kDoEcho + kWillEcho,
                     .replies = {kWillEcho},
                     .offer = EchoOffer::Accept},
        ExchangeCase{.name = "DoEchoOfferAfterWillEcho",
                     .stream = kWillEcho + kDoEcho,
                     .replies = {kDoEcho},
                     .offer = EchoOffer::Accept},
        ExchangeCase{"WillOtherRefusedEveryTime",
                     Bytes({255, 251, 31, 255, 251, 31, 255, 251, 24}),
                     {Bytes({255, 254, 31}), Bytes({255, 254, 31}), Bytes({255, 254, 24})}},
        ExchangeCase{"DoOtherRefusedEveryTime", Bytes({255, 253, 31, 255, 253, 31}),
                     {Bytes({255, 252, 31}), Bytes({255, 252, 31})}},
        ExchangeCase{"DoTerminalTypeAcceptedEveryTime", Bytes({255, 253, 24, 255, 253, 24}),
                     {Bytes({255, 251, 24}), Bytes({255, 251, 24})}},
        ExchangeCase{"WontAndDontIgnored", Bytes({255, 252, 1, 255, 254, 3})},
        ExchangeCase{"RefusalsSetNoMark", Bytes({255, 252, 3, 255, 254, 1}) + kWillSga + kWillEcho,
                     {kDoSga, kDoEcho}},
        // What busybox telnetd opens with: DO ECHO, DO NAWS, WILL ECHO, WILL
        // SGA. The refused ECHO marks it, so only SGA is agreed.
        ExchangeCase{"BusyboxOpening",
                     kDoEcho + Bytes({255, 253, 31}) + kWillEcho + kWillSga + "\r\r\n# ",
                     {kWontEcho, Bytes({255, 252, 31}), kDoSga}, "\r\r\n# "}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// IAC IAC is one data byte 255, shown as any other byte of that value.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    DoubledIac, Exchange,
    testing::Values(
        ExchangeCase{"IsOneDataByte", Bytes({'A', 255, 255, 'B'}), {}, Bytes({'A', 255, 'B'})},
        ExchangeCase{"TwoInARow", Bytes({'D', 255, 255, 255, 255, 'E'}), {},
                     Bytes({'D', 255, 255, 'E'})},
        // A 0xFF B C | D 0xFF 0xFF E F |, as a server doubles it.
        ExchangeCase{"ShellLineWithFfBytes",
                     Bytes({'A', 255, 255, 'B', 'C', '|', 'D', 255, 255, 255, 255, 'E', 'F', '|'}),
                     {}, Bytes({'A', 255, 'B', 'C', '|', 'D', 255, 255, 'E', 'F', '|'})},
        ExchangeCase{"ThenACommand", Bytes({255, 255, 255, 251, 1, 'x'}), {kDoEcho},
                     Bytes({255, 'x'})},
        ExchangeCase{"AsTheOptionByteIsNoCommand", Bytes({255, 253, 255, 'A'}),
                     {Bytes({255, 252, 255})}, "A"},
        ExchangeCase{"KeepsLineEndConversionOfItsNeighbours", Bytes({255, 255, '\n', 255, 255}),
                     {}, Bytes({255, '\r', '\n', 255}), RxMode::LfToCrLf}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// Every command byte other than SB and the four verbs makes a two-byte
// command: nothing shown, nothing sent, and the next byte is data.
std::vector<ExchangeCase> TwoByteCommandCases() {
    // clang-format off
    static const std::pair<const char*, int> kCommands[] = {
        {"StraySe", 240},   {"Nop", 241}, {"DataMark", 242}, {"Break", 243},
        {"InterruptProcess", 244}, {"AbortOutput", 245}, {"AreYouThere", 246},
        {"EraseCharacter", 247},   {"EraseLine", 248},   {"GoAhead", 249}};
    // clang-format on
    std::vector<ExchangeCase> cases;
    for (const auto& [name, command] : kCommands)
        cases.push_back({name, Bytes({'a', 255, command, 'b', 'c'}), {}, "abc"});
    cases.push_back({"ByteNamingNoCommand", Bytes({'a', 255, 'X', 'b'}), {}, "ab"});
    // inetutils telnetd answers Ctrl+C with IAC DM (urgent) and then echoes.
    cases.push_back(
        {"InterruptAnsweredWithDataMark", Bytes({255, 242}) + "^C\r\n# ", {}, "^C\r\n# "});
    cases.push_back({"BeforeANegotiation", Bytes({255, 241}) + kWillEcho, {kDoEcho}});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(TwoByteCommand, Exchange, testing::ValuesIn(TwoByteCommandCases()),
                         [](const auto& info) { return info.param.name; });

// Only IAC SE ends a subnegotiation; none of its bytes is ever text.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Subnegotiation, Exchange,
    testing::Values(
        ExchangeCase{"TerminalTypeSend", kTerminalTypeSend + "z", {kTerminalTypeIs}, "z"},
        ExchangeCase{"TerminalTypeSendFillingTheBuffer",
                     Bytes({255, 250, 24, 1}) + Repeat("p", 30) + kIacSe + "z", {kTerminalTypeIs},
                     "z"},
        ExchangeCase{"OneByteTooLongIsDropped",
                     Bytes({255, 250, 24, 1}) + Repeat("p", 31) + kIacSe + "z", {}, "z"},
        ExchangeCase{"LongOneDroppedUpToItsEnd",
                     Bytes({255, 250, 24, 1}) + Repeat("d", 40) + kIacSe + "shown", {}, "shown"},
        ExchangeCase{"UnfinishedOneShowsNothing", Bytes({255, 250}) + Repeat("d", 40) + "hidden"},
        ExchangeCase{"DoubledIacIsItsData",
                     Bytes({255, 250, 31, 255, 255, 240, 'A', 255, 240, 'z'}), {}, "z"},
        ExchangeCase{"DoubledIacCountsOnceInTheBuffer",
                     Bytes({255, 250, 24, 1}) + Repeat(Bytes({255, 255}), 30) + kIacSe,
                     {kTerminalTypeIs}},
        ExchangeCase{"StrayIacDropsItAtItsEnd", Bytes({255, 250, 24, 1, 255, 'X', 'Y', 255, 240, 'z'}),
                     {}, "z"},
        ExchangeCase{"CommandInsideIsNotActedOn",
                     Bytes({255, 250, 24, 1}) + kWillEcho + kIacSe + "z", {}, "z"},
        ExchangeCase{"Empty", Bytes({255, 250, 255, 240, 'a'}), {}, "a"},
        ExchangeCase{"TerminalTypeOtherSubcommandIgnored", Bytes({255, 250, 24, 0, 255, 240})},
        ExchangeCase{"OtherOptionIgnored", Bytes({255, 250, 31, 1, 255, 240})},
        ExchangeCase{"NegotiationAfterItIsAnswered",
                     kTerminalTypeSend + Bytes({255, 253, 24}),
                     {kTerminalTypeIs, Bytes({255, 251, 24})}},
        ExchangeCase{"BelAndBackspaceInsideAreData", Bytes({'a', 255, 250, 7, 8, 255, 240, 'b'}), {},
                     "ab"}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Display, Exchange,
    testing::Values(
        ExchangeCase{"Rx0LineEndsAsReceived", "a\rb\nc\r\nd", {}, "a\rb\nc\r\nd"},
        ExchangeCase{"Rx1CrBecomesCrLfLfDropped", "a\rb\nc\r\nd", {}, "a\r\nbc\r\nd",
                     RxMode::CrToCrLf},
        ExchangeCase{"Rx2CrDroppedLfBecomesCrLf", "a\rb\nc\r\nd", {}, "ab\r\nc\r\nd",
                     RxMode::LfToCrLf},
        ExchangeCase{"NulDropped", Bytes({'a', 0, 'b'}), {}, "ab"},
        ExchangeCase{.name = "BelBeepsEachTime", .stream = "a\a\ab", .screen = "ab", .beeps = 2},
        ExchangeCase{"BackspaceErasesEarlierText", "abc\b\bd", {}, "ad"},
        ExchangeCase{"OtherBytesUnchanged", Bytes({1, 27, '[', 127, 128, 200, 254}), {},
                     Bytes({1, 27, '[', 127, 128, 200, 254})},
        ExchangeCase{"ReadLongerThanBuffer", Repeat("\r", 2100), {}, Repeat("\r\n", 2100),
                     RxMode::CrToCrLf}),
    [](const auto& info) { return info.param.name; });
// clang-format on

struct ScreenOpsCase {
    const char* name;
    std::string read;
    std::vector<std::string> ops;
};

class ScreenOps : public testing::TestWithParam<ScreenOpsCase> {};

TEST_P(ScreenOps, OneInsertionPerReadInOrder) {
    Terminal t;
    t.Receive(GetParam().read);
    EXPECT_EQ(t.sink.ops, GetParam().ops);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    TelnetProtocol, ScreenOps,
    testing::Values(
        ScreenOpsCase{"EmptyReadStillInserts", "", {"insert:"}},
        ScreenOpsCase{"CommandOnlyInsertsEmpty", Bytes({255, 252, 1}), {"insert:"}},
        ScreenOpsCase{"BelBeepsEachTimeShowsNothing", "a\a\ab", {"beep", "beep", "insert:ab"}},
        ScreenOpsCase{"BackspaceFlushesThenErases", "ab\bc", {"insert:ab", "erase", "insert:c"}},
        ScreenOpsCase{"BackspaceAtStart", "\bx", {"insert:", "erase", "insert:x"}}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// Text is passed over a word at a time: every byte value, at every place in
// a run of text (word starts, middles, ends and the short tail), in every RX
// mode, must come out as that byte's own rule says.
TEST(TelnetProtocol, EveryByteValueAnywhereInText) {
    constexpr std::size_t kRun = 19;
    for (const RxMode rx : {RxMode::AsReceived, RxMode::CrToCrLf, RxMode::LfToCrLf}) {
        for (int value = 0; value < 256; ++value) {
            const auto byte = static_cast<char>(value);
            for (std::size_t at = 0; at <= kRun; ++at) {
                const std::string before(at, 'x');
                std::string after(kRun - at, 'y');
                std::string shown(1, byte);
                if (value == kNul || value == kBel) shown.clear();
                if (value == kCr)
                    shown = rx == RxMode::AsReceived ? "\r" : rx == RxMode::CrToCrLf ? "\r\n" : "";
                if (value == kLf)
                    shown = rx == RxMode::AsReceived ? "\n" : rx == RxMode::CrToCrLf ? "" : "\r\n";
                std::string expected = before + shown + after;
                if (value == kBackspace) expected = before.substr(0, at == 0 ? 0 : at - 1) + after;
                if (value == kIac)  // the byte after IAC is its command
                    expected = before + after.substr(after.empty() ? 0 : 1);
                Terminal t;
                t.protocol.SetRxMode(rx);
                t.Receive(before + byte + after);
                ASSERT_EQ(t.sink.screen, expected)
                    << "byte " << value << " after " << at << " characters, RX mode "
                    << static_cast<int>(rx);
                ASSERT_EQ(t.sink.beeps, value == kBel ? 1 : 0) << "byte " << value;
            }
        }
    }
}

// A stream built from pieces that reach every parser state: text with line
// ends and control bytes, doubled IACs, two-byte commands, negotiations,
// subnegotiations short and long, stray IACs, and raw noise.
std::string RandomStream(std::mt19937& rng, std::size_t length) {
    // clang-format off
    static const std::vector<std::string> kPieces = {
        "text ", "\r\n", "\r", "\n", "\a", "\b", Bytes({0}), Bytes({255, 255}),
        Bytes({255, 241}), Bytes({255, 242}), Bytes({255, 240}), Bytes({255, 249}),
        kWillSga, kDoSga, kWillEcho, kDoEcho, Bytes({255, 251, 31}), Bytes({255, 253, 24}),
        Bytes({255, 252, 1}), kTerminalTypeSend, Bytes({255, 250, 24, 1}), Bytes({255, 250}),
        kIacSe, Bytes({255}), Repeat("s", 33), Bytes({255, 'x'})};
    // clang-format on
    std::string stream;
    while (stream.size() < length) {
        if (rng() % 4 == 0)
            stream.push_back(static_cast<char>(rng() % 256));
        else
            stream += kPieces[rng() % kPieces.size()];
    }
    return stream;
}

// Any stream cut into reads at any points must give what the whole stream
// gives in one read: the parser state carries every partial command over.
TEST(TelnetProtocol, RandomReadSplitsMatchOneRead) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 3000; ++round) {
        const std::string stream = RandomStream(rng, rng() % 6000);
        const auto rx = static_cast<RxMode>(rng() % 3);
        const auto offer = rng() % 2 ? EchoOffer::Accept : EchoOffer::Refuse;
        std::vector<std::size_t> reads;
        for (std::size_t total = 0; total < stream.size();) {
            // Read sizes from 1 to 1024, small ones as common as large.
            const std::size_t limit = std::size_t{1} << (rng() % 11);
            reads.push_back(1 + rng() % limit);
            total += reads.back();
        }
        ASSERT_EQ(Feed(stream, reads, rx, offer), Feed(stream, {}, rx, offer)) << "round " << round;
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
    std::string screen;  // after "peer> " already on screen
};

class Keyboard : public testing::TestWithParam<KeyboardCase> {};

TEST_P(Keyboard, SendsAndShows) {
    const KeyboardCase& c = GetParam();
    CRecordingSink sink;
    sink.screen = "peer> ";
    CTelnetKeyboard keyboard(sink);
    keyboard.SetLineMode(c.lineMode);
    keyboard.SetTxMode(c.tx);
    for (const unsigned key : c.keys) keyboard.TypeChar(key);
    EXPECT_EQ(sink.sends, c.sends);
    EXPECT_EQ(sink.screen, c.screen);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    TelnetProtocol, Keyboard,
    testing::Values(
        KeyboardCase{"LineTx1TypoCorrected", LineMode::Line, TxMode::CrLf, {'l', 'x', 8, 's', 13},
                     {"ls\r\n"}, "peer> ls\r\n"},
        KeyboardCase{"LineShowsCrLfWhateverTxMode", LineMode::Line, TxMode::Lf,
                     {'l', 's', 13}, {"ls\n"}, "peer> ls\r\n"},
        KeyboardCase{"LineBackspaceOnEmptyLineKeepsPeerText", LineMode::Line, TxMode::CrLf,
                     {8, 8, 'a', 8, 8}, {}, "peer> "},
        KeyboardCase{"LineOnlyLowByteAnd255SentDoubled", LineMode::Line, TxMode::Cr,
                     {0x141, 0xFF, 13}, {Bytes({'A', 255, 255, 13})}, "peer> A\xFF\r\n"},
        KeyboardCase{"LineBackspaceOver255TakesItWhole", LineMode::Line, TxMode::Cr,
                     {'a', 0xFF, 8, 'b', 13}, {"ab\r"}, "peer> ab\r\n"},
        KeyboardCase{"LineNulSentNotShown", LineMode::Line, TxMode::Cr, {'a', 0, 13},
                     {Bytes({'a', 0, 13})}, "peer> a\r\n"},
        KeyboardCase{"LineBackspaceOverNulErasesNothingShown", LineMode::Line, TxMode::Cr,
                     {'a', 'b', 0, 8, 13}, {"ab\r"}, "peer> ab\r\n"},
        KeyboardCase{"CharTx0Enter", LineMode::Character, TxMode::Cr, {13}, {"\r"}, "peer> "},
        KeyboardCase{"CharTx1EnterOneSend", LineMode::Character, TxMode::CrLf, {13}, {"\r\n"},
                     "peer> "},
        KeyboardCase{"CharTx2Enter", LineMode::Character, TxMode::Lf, {13}, {"\n"}, "peer> "},
        KeyboardCase{"CharEachKeyOneSend", LineMode::Character, TxMode::CrLf,
                     {'a', 8, 0x1FF, 10}, {"a", "\b", Bytes({255, 255}), "\n"}, "peer> "}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST(TelnetKeyboard, PendingLineGoesOutBeforeFirstCharacterModeKey) {
    CRecordingSink sink;
    CTelnetKeyboard keyboard(sink);
    keyboard.SetLineMode(LineMode::Line);
    keyboard.TypeChar('a');
    keyboard.TypeChar(0xFF);
    keyboard.SetLineMode(LineMode::Character);
    keyboard.TypeChar('c');
    EXPECT_EQ(sink.sends, (std::vector<std::string>{Bytes({'a', 255, 255}), "c"}));
    EXPECT_EQ(keyboard.GetLineLength(), 0U);
}

TEST(TelnetKeyboard, FullLineOf255GoesOutDoubledInOneCall) {
    constexpr std::size_t kRoom = kLineBufferSize - kLongestLineEnd;
    CRecordingSink sink;
    CTelnetKeyboard keyboard(sink);
    keyboard.SetLineMode(LineMode::Line);
    keyboard.SetTxMode(TxMode::CrLf);
    for (std::size_t i = 0; i < kRoom + 1; ++i) keyboard.TypeChar(0xFF);
    EXPECT_EQ(sink.beeps, 1);
    keyboard.TypeChar(13);
    EXPECT_EQ(sink.sends, std::vector<std::string>{Repeat(Bytes({255}), 2 * kRoom) + "\r\n"});
}

TEST(TelnetKeyboard, FullLineRefusesWithBeepAndEnterSendsAll) {
    constexpr std::size_t kRoom = kLineBufferSize - kLongestLineEnd;
    CRecordingSink sink;
    CTelnetKeyboard keyboard(sink);
    keyboard.SetLineMode(LineMode::Line);
    keyboard.SetTxMode(TxMode::CrLf);
    for (std::size_t i = 0; i < kRoom; ++i) keyboard.TypeChar('x');
    EXPECT_EQ(sink.beeps, 0);

    keyboard.TypeChar('y');
    keyboard.TypeChar('y');
    EXPECT_EQ(sink.beeps, 2);
    EXPECT_EQ(keyboard.GetLineLength(), kRoom);
    EXPECT_EQ(sink.screen, Repeat("x", kRoom));

    keyboard.TypeChar(8);  // room again for one character
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

TEST_P(ScrollBack, CutsOnlyPast300Lines) {
    const ScrollBackCase& c = GetParam();
    EXPECT_EQ(PlanScrollBackCut(c.lines, c.textLength, c.caret), c.cut);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    TelnetProtocol, ScrollBack,
    testing::Values(ScrollBackCase{"At300LinesNothing", 300, 9000, 9000, std::nullopt},
                    ScrollBackCase{"Past300CutsFirst2048", 301, 9000, 9000, {{2048, 6952}}},
                    ScrollBackCase{"ShortTextCutWhole", 400, 700, 700, {{700, 0}}},
                    ScrollBackCase{"CaretInCutPartGoesToStart", 301, 9000, 100, {{2048, 0}}}),
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
