#pragma once
// The Telnet terminal's protocol core, free of windows and sockets: the
// command parser and option negotiation of the receive side (RFC 854, 855),
// the line-end conversion of received text, the typed-character send side in
// line and character mode, and the scroll-back rule of the screen.
//
// Framing follows RFC 854 across any read boundaries: IAC IAC is one data
// byte 255; IAC and a command byte is a two-byte command, except that the
// four negotiation verbs take an option byte and SB opens a subnegotiation;
// inside one, IAC IAC is a 255 of its data and only IAC SE ends it (RFC 855).
// A data byte 255 that the terminal sends goes out doubled.
//
// CTelnetEdit joins these to its edit control and the data connection through
// CTelnetSink. Both paths work in fixed buffers and allocate nothing per read
// or per key.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// Protocol bytes and option codes. Spelled with a k prefix because <termios.h>
// and friends define ECHO and similar names as macros.
namespace telnet {

inline constexpr std::uint8_t kIac = 255;   // RFC 854: interpret as command
inline constexpr std::uint8_t kDont = 254;  // RFC 854, 855: negotiation verbs
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;  // RFC 855: subnegotiation begin
inline constexpr std::uint8_t kSe = 240;  // RFC 855: subnegotiation end

inline constexpr std::uint8_t kOptEcho = 1;             // RFC 857
inline constexpr std::uint8_t kOptSuppressGoAhead = 3;  // RFC 858
inline constexpr std::uint8_t kOptTerminalType = 24;    // RFC 1091

inline constexpr std::uint8_t kTerminalTypeIs = 0;  // RFC 1091 sub-commands
inline constexpr std::uint8_t kTerminalTypeSend = 1;

inline constexpr std::uint8_t kNul = 0;
inline constexpr std::uint8_t kBel = 7;
inline constexpr std::uint8_t kBackspace = 8;
inline constexpr std::uint8_t kLf = 10;
inline constexpr std::uint8_t kCr = 13;

// The well-known Telnet port (RFC 854): its servers expect the client to open
// the negotiation.
inline constexpr int kTelnetPort = 23;

// One receive call reads at most this many bytes.
inline constexpr std::size_t kMaxRead = 1024;
// Data bytes of one subnegotiation kept; a longer one is dropped whole.
inline constexpr std::size_t kSubnegotiationSize = 32;
// The typed line together with its line end.
inline constexpr std::size_t kLineBufferSize = 256;
// The longest line end the Enter key can append (CR LF).
inline constexpr std::size_t kLongestLineEnd = 2;

// Scroll-back: past this many display rows, the oldest characters are cut.
inline constexpr int kScrollBackMaxLines = 300;
inline constexpr int kScrollBackCut = 2048;

}  // namespace telnet

// Line-end conversion of received text; the value is the RX combo's index.
enum class RxMode : int {
    AsReceived = 0,  // CR and LF shown as they come
    CrToCrLf = 1,    // CR shown as CR LF, LF dropped
    LfToCrLf = 2,    // CR dropped, LF shown as CR LF
};

// What the Enter key sends; the value is the TX combo's index.
enum class TxMode : int {
    Cr = 0,
    CrLf = 1,
    Lf = 2,
};

// Line mode keeps typed characters in a local line until Enter; character
// mode sends each one at once.
enum class LineMode { Character, Line };

// Whether a peer's DO ECHO is accepted (we then echo) or refused.
enum class EchoOffer { Refuse, Accept };

// Combo indices outside 0..2 (no selection) fall back to the first item.
[[nodiscard]] RxMode RxModeFromIndex(int index);
[[nodiscard]] TxMode TxModeFromIndex(int index);

// Where the core's effects go: the connection and the screen. Text is bytes,
// one character each, in the order received; it never holds NUL, and
// text.data()[text.size()] is a NUL, so it can be handed on as a C string.
class CTelnetSink {
public:
    virtual ~CTelnetSink() = default;
    // One send call on the connection; its result is of no interest.
    virtual void Send(const std::uint8_t* data, std::size_t length) = 0;
    // Insert at the caret, replacing any selection.
    virtual void InsertText(std::string_view text) = 0;
    // Remove the character before the caret; nothing at the start of the text.
    virtual void EraseBeforeCaret() = 0;
    virtual void Beep() = 0;
};

// The receive side: command parser, option negotiation and display text.
// One object lives for the whole run; StartProtocol gives each connection a
// fresh negotiation record, as the first one had.
class CTelnetProtocol {
public:
    enum class ParserState : int {
        Data = 0,                 // plain text
        AfterIac = 1,             // IAC seen
        AfterCommand = 2,         // IAC and a negotiation verb seen; the option comes next
        InSubnegotiation = 3,     // after IAC SB
        IacInSubnegotiation = 4,  // IAC seen inside a subnegotiation
    };

    explicit CTelnetProtocol(CTelnetSink& sink, EchoOffer echoOffer = EchoOffer::Refuse);

    // Begins a new connection: nothing negotiated yet, the parser in plain
    // text. Port 23 is a Telnet server that expects the client to open the
    // negotiation: ask for SUPPRESS GO AHEAD and ECHO.
    void StartProtocol(int remotePort);

    // Processes one read: commands go to the parser, the rest becomes display
    // text inserted with one InsertText call (a backspace flushes early).
    // Reads longer than kMaxRead are taken in kMaxRead pieces.
    void ProcessReceived(std::span<const std::uint8_t> bytes);

    void SendWill(std::uint8_t option);
    void SendWont(std::uint8_t option);
    void SendDo(std::uint8_t option);
    void SendDont(std::uint8_t option);

    void SetRxMode(RxMode mode) { m_nRxMode = mode; }
    [[nodiscard]] RxMode GetRxMode() const { return m_nRxMode; }
    [[nodiscard]] ParserState GetParserState() const { return m_nParserState; }
    [[nodiscard]] std::size_t GetSubnegotiationLength() const { return m_nSubLength; }
    [[nodiscard]] bool IsSubnegotiationDropped() const { return m_bSubDropped; }
    [[nodiscard]] bool IsSgaAnswered() const { return m_bSgaAnswered; }
    [[nodiscard]] bool IsEchoAnswered() const { return m_bEchoAnswered; }

private:
    void ProcessPiece(std::span<const std::uint8_t> bytes);
    void ProcessDataByte(std::uint8_t byte);
    void ParseCommandByte(std::uint8_t byte);
    void ParseCommand(std::uint8_t command);
    void ParseSubnegotiationByte(std::uint8_t byte);
    void StoreSubnegotiationByte(std::uint8_t byte);
    void HandleOption();
    void HandleSubnegotiation();
    void AppendDisplay(std::uint8_t byte);
    void FlushDisplay();
    void SendCommand(std::uint8_t verb, std::uint8_t option);
    void AnswerWill(std::uint8_t option);
    void AnswerDo(std::uint8_t option);

    CTelnetSink& m_sink;

    // Negotiation record. The marks start clear on every connection, so the
    // first WILL or DO for SUPPRESS GO AHEAD and for ECHO is answered, and
    // each mark then stops further replies in both directions. The echo
    // offer is fixed at construction; the program never echoes for the peer,
    // so its DO ECHO is refused with WONT ECHO every time.
    bool m_bSgaAnswered = false;
    const EchoOffer m_nEchoOffer;
    bool m_bEchoAnswered = false;
    ParserState m_nParserState = ParserState::Data;
    std::size_t m_nSubLength = 0;
    // The subnegotiation outgrew the buffer or held IAC before anything but
    // SE or IAC: it is read to its IAC SE and then dropped.
    bool m_bSubDropped = false;
    // In AfterCommand: [0] the verb, [1] the option. In a subnegotiation:
    // its data bytes after IAC SB, a doubled IAC stored once.
    std::array<std::uint8_t, telnet::kSubnegotiationSize> m_subBuffer{};

    RxMode m_nRxMode = RxMode::AsReceived;

    // Converted text of one read: two characters per byte at most, plus NUL.
    std::array<char, 2 * telnet::kMaxRead + 1> m_display{};
    std::size_t m_nDisplayLength = 0;
};

// The send side: turns typed characters into bytes on the connection, one at
// a time or a whole line at Enter, and echoes the line locally in line mode.
// The line buffer holds the bytes as typed; 255 is doubled only as it goes out.
class CTelnetKeyboard {
public:
    explicit CTelnetKeyboard(CTelnetSink& sink);

    // One typed character; only its low byte counts.
    void TypeChar(unsigned int character);

    void SetTxMode(TxMode mode) { m_nTxMode = mode; }
    void SetLineMode(LineMode mode) { m_nLineMode = mode; }
    // Forgets a typed line that was not sent (a new window starts empty).
    void ClearLine() { m_nLineLength = 0; }

    [[nodiscard]] TxMode GetTxMode() const { return m_nTxMode; }
    [[nodiscard]] LineMode GetLineMode() const { return m_nLineMode; }
    [[nodiscard]] std::size_t GetLineLength() const { return m_nLineLength; }
    [[nodiscard]] std::span<const std::uint8_t> GetPendingLine() const {
        return {m_lineBuffer.data(), m_nLineLength};
    }

private:
    void TypeInLineMode(std::uint8_t key);
    void TypeInCharacterMode(std::uint8_t key);
    void FlushPendingLine();
    // Sends typed bytes in one call, each 255 doubled. At most one line.
    void SendData(std::span<const std::uint8_t> bytes);
    [[nodiscard]] std::string_view LineEnd() const;

    CTelnetSink& m_sink;
    TxMode m_nTxMode = TxMode::Cr;
    LineMode m_nLineMode = LineMode::Character;
    std::array<std::uint8_t, telnet::kLineBufferSize> m_lineBuffer{};
    std::size_t m_nLineLength = 0;
    // A line as it goes out: every byte may be a doubled 255.
    std::array<std::uint8_t, 2 * telnet::kLineBufferSize> m_sendBuffer{};
};

// What the screen must cut to keep its text short.
struct ScrollBackCut {
    int cutLength = 0;   // characters to remove from the start of the text
    int caretAfter = 0;  // where the caret goes once they are gone
    friend bool operator==(const ScrollBackCut&, const ScrollBackCut&) = default;
};

// Checked once per read, after the insertion: past kScrollBackMaxLines display
// rows, the first kScrollBackCut characters go (all of them when the text is
// shorter) and the caret keeps its place in what remains.
[[nodiscard]] std::optional<ScrollBackCut> PlanScrollBackCut(int lineCount, int textLength,
                                                             int caret);
