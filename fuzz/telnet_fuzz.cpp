// libFuzzer target for the Telnet protocol core: the receive processing (with
// a random RX mode, the stream cut into random reads) and the send side
// (random typed characters with line-mode and TX-mode switches).
//
// Build and run from the repository root (fuzz/run.sh does both):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
//       -fno-sanitize-recover=undefined -Isrc \
//       fuzz/telnet_fuzz.cpp src/telnet/TelnetProtocol.cpp -o build-fuzz/telnet_fuzz
//   build-fuzz/telnet_fuzz -max_total_time=60 -max_len=4096 \
//       build-fuzz/corpus-telnet fuzz/corpus/telnet
// Without -fno-sanitize-recover, undefined behaviour would only be reported and
// not stop the run as a finding.
//
// Input layout: byte 0 picks the modes (bits 0-1 RX mode, bits 2-3 TX mode,
// bit 4 line mode at start, bit 5 echo offer), byte 1 seeds the read sizes and
// the mode switches, the rest is the byte stream, read both as received data
// and as typed characters.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "telnet/TelnetProtocol.h"

using namespace telnet;

namespace {

class CCheckingSink : public CTelnetSink {
public:
    // rx: the conversion the shown text went through; none for typed echo.
    explicit CCheckingSink(std::optional<RxMode> rx) : m_rx(rx) {}

    void Send(const std::uint8_t* data, std::size_t length) override {
        FUZZ_CHECK(length <= 2 * kLineBufferSize);  // a line of doubled 255s
        sends.emplace_back(reinterpret_cast<const char*>(data), length);
    }
    void InsertText(std::string_view text) override {
        FUZZ_CHECK(text.size() <= 2 * kMaxRead);
        FUZZ_CHECK(text.data()[text.size()] == '\0');
        if (m_rx) CheckConverted(text);
        screen += text;
    }
    void EraseBeforeCaret() override {
        if (!screen.empty()) screen.pop_back();
    }
    void Beep() override { ++beeps; }

    std::vector<std::string> sends;
    std::string screen;
    int beeps = 0;

private:
    // Shown text carries no bytes the receive side consumes (255 is shown:
    // it came doubled), and its line ends are converted whole within one
    // insertion.
    void CheckConverted(std::string_view text) const {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<std::uint8_t>(text[i]);
            FUZZ_CHECK(c != kNul && c != kBel && c != kBackspace);
            if (m_rx == RxMode::CrToCrLf && c == kLf) FUZZ_CHECK(i > 0 && text[i - 1] == '\r');
            if (m_rx == RxMode::LfToCrLf && c == kCr)
                FUZZ_CHECK(i + 1 < text.size() && text[i + 1] == '\n');
        }
    }

    std::optional<RxMode> m_rx;
};

bool IsWellFormedReply(const std::string& reply) {
    if (reply.size() == 11)
        return reply == std::string("\xFF\xFA\x18\x00\x44\x55\x4D\x50\x00\xFF\xF0", 11);
    const auto verb = static_cast<std::uint8_t>(reply.size() == 3 ? reply[1] : 0);
    return reply.size() == 3 && static_cast<std::uint8_t>(reply[0]) == kIac && verb >= kWill;
}

void FuzzReceive(const std::span<const std::uint8_t> input, RxMode rx, EchoOffer offer,
                 std::uint8_t seed) {
    std::span<const std::uint8_t> stream = input;
    CCheckingSink wholeSink(rx);
    CTelnetProtocol whole(wholeSink, offer);
    whole.SetRxMode(rx);
    whole.ProcessReceived(stream);

    CCheckingSink splitSink(rx);
    CTelnetProtocol split(splitSink, offer);
    split.SetRxMode(rx);
    CXorShift rng(seed);
    while (!stream.empty()) {
        const std::size_t limit = std::size_t{1} << (rng.Next() % 11);  // 1 .. kMaxRead
        const std::size_t length = std::min(stream.size(), 1 + rng.Next() % limit);
        split.ProcessReceived(stream.first(length));
        stream = stream.subspan(length);
        FUZZ_CHECK(split.GetSubnegotiationLength() <= kSubnegotiationSize);
        FUZZ_CHECK(static_cast<int>(split.GetParserState()) >= 0 &&
                   static_cast<int>(split.GetParserState()) <= 4);
    }

    FUZZ_CHECK(whole.GetSubnegotiationLength() <= kSubnegotiationSize);
    FUZZ_CHECK(wholeSink.sends == splitSink.sends);
    FUZZ_CHECK(wholeSink.screen == splitSink.screen);
    FUZZ_CHECK(wholeSink.beeps == splitSink.beeps);
    FUZZ_CHECK(whole.GetParserState() == split.GetParserState());
    FUZZ_CHECK(whole.GetSubnegotiationLength() == split.GetSubnegotiationLength());
    FUZZ_CHECK(whole.IsSubnegotiationDropped() == split.IsSubnegotiationDropped());
    FUZZ_CHECK(whole.IsSgaAnswered() == split.IsSgaAnswered());
    FUZZ_CHECK(whole.IsEchoAnswered() == split.IsEchoAnswered());
    // Without IAC in the stream there is nothing to answer, and every byte
    // but NUL and BEL reaches the screen.
    if (std::find(input.begin(), input.end(), kIac) == input.end()) {
        FUZZ_CHECK(wholeSink.sends.empty());
        if (rx == RxMode::AsReceived &&
            std::find(input.begin(), input.end(), kBackspace) == input.end()) {
            std::string text;
            for (const std::uint8_t byte : input) {
                if (byte != kNul && byte != kBel) text.push_back(static_cast<char>(byte));
            }
            FUZZ_CHECK(wholeSink.screen == text);
        }
    }
    for (const std::string& reply : wholeSink.sends) FUZZ_CHECK(IsWellFormedReply(reply));

    // The next connection starts from nothing, wherever this one stopped.
    whole.StartProtocol(kTelnetPort + 1);
    FUZZ_CHECK(whole.GetParserState() == CTelnetProtocol::ParserState::Data);
    FUZZ_CHECK(whole.GetSubnegotiationLength() == 0 && !whole.IsSubnegotiationDropped());
    FUZZ_CHECK(!whole.IsSgaAnswered() && !whole.IsEchoAnswered());
}

// What typed bytes look like on the wire: each 255 doubled.
std::string OnTheWire(std::string_view typed) {
    std::string out;
    for (const char c : typed) {
        if (static_cast<std::uint8_t>(c) == kIac) out.push_back(c);
        out.push_back(c);
    }
    return out;
}

std::string LineEndOf(TxMode tx) {
    return tx == TxMode::CrLf ? "\r\n" : tx == TxMode::Lf ? "\n" : "\r";
}

void FuzzKeyboard(std::span<const std::uint8_t> keys, TxMode tx, LineMode lineMode,
                  std::uint8_t seed) {
    constexpr std::size_t kMaxTyped = kLineBufferSize - kLongestLineEnd;
    CCheckingSink sink(std::nullopt);
    CTelnetKeyboard keyboard(sink);
    keyboard.SetTxMode(tx);
    keyboard.SetLineMode(lineMode);
    CXorShift rng(seed);
    for (const std::uint8_t key : keys) {
        const std::uint32_t roll = rng.Next();
        if (roll % 16 == 0)
            keyboard.SetLineMode(keyboard.GetLineMode() == LineMode::Line ? LineMode::Character
                                                                          : LineMode::Line);
        if (roll % 32 == 1) keyboard.SetTxMode(static_cast<TxMode>(roll / 32 % 3));
        if (roll % 64 == 2) keyboard.ClearLine();

        const std::size_t sendsBefore = sink.sends.size();
        const std::size_t lengthBefore = keyboard.GetLineLength();
        const std::span<const std::uint8_t> line = keyboard.GetPendingLine();
        const std::string pending(reinterpret_cast<const char*>(line.data()), line.size());
        keyboard.TypeChar(key | (roll & 0xFF00U));  // high bits must be ignored
        const std::size_t newSends = sink.sends.size() - sendsBefore;
        const std::string lineEnd = LineEndOf(keyboard.GetTxMode());

        FUZZ_CHECK(keyboard.GetLineLength() <= kMaxTyped);
        if (keyboard.GetLineMode() == LineMode::Line && key == kCr) {
            FUZZ_CHECK(newSends == 1 && keyboard.GetLineLength() == 0);
            FUZZ_CHECK(sink.sends.back() == OnTheWire(pending) + lineEnd);
        } else if (keyboard.GetLineMode() == LineMode::Line) {
            FUZZ_CHECK(newSends == 0);
        } else {
            FUZZ_CHECK(newSends == (lengthBefore > 0 ? 2U : 1U));
            FUZZ_CHECK(keyboard.GetLineLength() == 0);
            if (lengthBefore > 0) FUZZ_CHECK(sink.sends[sendsBefore] == OnTheWire(pending));
            const std::string expected =
                key == kCr ? lineEnd : OnTheWire(std::string(1, static_cast<char>(key)));
            FUZZ_CHECK(sink.sends.back() == expected);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t modes = data[0];
    const std::uint8_t seed = data[1];
    const std::span<const std::uint8_t> stream(data + 2, size - 2);

    const auto rx = static_cast<RxMode>((modes & 3U) % 3);
    const auto tx = static_cast<TxMode>(((modes >> 2) & 3U) % 3);
    const LineMode lineMode = (modes & 0x10U) != 0 ? LineMode::Line : LineMode::Character;
    const EchoOffer offer = (modes & 0x20U) != 0 ? EchoOffer::Accept : EchoOffer::Refuse;

    FuzzReceive(stream, rx, offer, seed);
    FuzzKeyboard(stream, tx, lineMode, seed);
    return 0;
}
