#include "telnet/TelnetProtocol.h"

#include <algorithm>
#include <cstring>

using namespace telnet;

namespace {

// Whether any byte of the word is below `limit` (at most 128): the word less
// `limit` in every byte borrows into a byte's top bit only where that byte
// was below it.
bool AnyByteBelow(std::uint64_t word, std::uint8_t limit) {
    constexpr std::uint64_t kOnes = 0x0101010101010101U;
    constexpr std::uint64_t kTopBits = 0x8080808080808080U;
    return ((word - kOnes * limit) & ~word & kTopBits) != 0;
}

// The bytes at the start of `bytes` that the data state shows unchanged.
// Those that need more are IAC, NUL, BEL, backspace, and CR and LF when they
// are converted: all below 14 or 255, so ordinary text is passed over a
// word at a time and only words holding such a byte are looked at closely.
std::size_t PlainTextLength(std::span<const std::uint8_t> bytes, RxMode mode) {
    const bool lineEndsPlain = mode == RxMode::AsReceived;
    const auto isPlain = [lineEndsPlain](std::uint8_t byte) {
        switch (byte) {
        case kIac:
        case kNul:
        case kBel:
        case kBackspace:
            return false;
        case kCr:
        case kLf:
            return lineEndsPlain;
        default:
            return true;
        }
    };
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        for (; i + kWord <= size; i += kWord) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes.data() + i, kWord);
            if (AnyByteBelow(word, kCr + 1) || AnyByteBelow(~word, 1)) break;
        }
        for (const std::size_t stop = std::min(size, i + kWord); i < stop; ++i) {
            if (!isPlain(bytes[i])) return i;
        }
    }
    return size;
}

}  // namespace

RxMode RxModeFromIndex(int index) {
    return index >= 0 && index <= 2 ? static_cast<RxMode>(index) : RxMode::AsReceived;
}

TxMode TxModeFromIndex(int index) {
    return index >= 0 && index <= 2 ? static_cast<TxMode>(index) : TxMode::Cr;
}

// ---------------------------------------------------------------------------
// Receive side

CTelnetProtocol::CTelnetProtocol(CTelnetSink& sink, EchoOffer echoOffer)
    : m_sink(sink), m_nEchoOffer(echoOffer) {}

void CTelnetProtocol::StartProtocol(int remotePort) {
    if (remotePort == kTelnetPort) {
        SendDo(kOptSuppressGoAhead);
        SendDo(kOptEcho);
    }
    // A new peer has negotiated nothing yet: what the previous one agreed
    // must not keep this one's WILL SUPPRESS GO AHEAD or WILL ECHO from
    // being answered, and a command or subnegotiation cut off by the previous
    // connection's end must not swallow this one's first bytes.
    m_bSgaAnswered = false;
    m_bEchoAnswered = false;
    m_nParserState = ParserState::Data;
    m_nSubLength = 0;
    m_bSubDropped = false;
}

void CTelnetProtocol::ProcessReceived(std::span<const std::uint8_t> bytes) {
    // The display text is sized for one read; a longer block is taken as
    // several reads so the buffer can never overflow.
    do {
        const std::size_t piece = std::min(bytes.size(), kMaxRead);
        ProcessPiece(bytes.first(piece));
        bytes = bytes.subspan(piece);
    } while (!bytes.empty());
}

void CTelnetProtocol::ProcessPiece(std::span<const std::uint8_t> bytes) {
    m_nDisplayLength = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (m_nParserState != ParserState::Data) {
            ParseCommandByte(bytes[i++]);
            continue;
        }
        // Text is copied a run at a time; only the bytes between runs are
        // decided one by one.
        const std::size_t run = PlainTextLength(bytes.subspan(i), m_nRxMode);
        std::memcpy(m_display.data() + m_nDisplayLength, bytes.data() + i, run);
        m_nDisplayLength += run;
        i += run;
        if (i < bytes.size()) ProcessDataByte(bytes[i++]);
    }
    // One insertion per read, also when empty: the screen is updated once.
    FlushDisplay();
}

void CTelnetProtocol::ProcessDataByte(std::uint8_t byte) {
    switch (byte) {
    case kIac:
        m_nParserState = ParserState::AfterIac;
        break;
    case kNul:
        break;  // RFC 854: NUL is a no-operation for the printer
    case kBel:
        m_sink.Beep();
        break;
    case kBackspace:
        // The erase must hit the text already on screen, so what came before
        // it in this read is shown first.
        FlushDisplay();
        m_sink.EraseBeforeCaret();
        break;
    case kCr:
        if (m_nRxMode == RxMode::LfToCrLf) break;
        AppendDisplay(kCr);
        if (m_nRxMode == RxMode::CrToCrLf) AppendDisplay(kLf);
        break;
    case kLf:
        if (m_nRxMode == RxMode::CrToCrLf) break;
        if (m_nRxMode == RxMode::LfToCrLf) AppendDisplay(kCr);
        AppendDisplay(kLf);
        break;
    default:
        AppendDisplay(byte);
        break;
    }
}

void CTelnetProtocol::AppendDisplay(std::uint8_t byte) {
    m_display[m_nDisplayLength++] = static_cast<char>(byte);
}

void CTelnetProtocol::FlushDisplay() {
    m_display[m_nDisplayLength] = '\0';
    m_sink.InsertText({m_display.data(), m_nDisplayLength});
    m_nDisplayLength = 0;
}

void CTelnetProtocol::ParseCommandByte(std::uint8_t byte) {
    switch (m_nParserState) {
    case ParserState::Data:
        break;  // not a command byte; ProcessPiece never sends one here
    case ParserState::AfterIac:
        ParseCommand(byte);
        break;
    case ParserState::AfterCommand:
        m_subBuffer[1] = byte;
        m_nParserState = ParserState::Data;
        HandleOption();
        break;
    case ParserState::InSubnegotiation:
        if (byte == kIac)
            m_nParserState = ParserState::IacInSubnegotiation;
        else
            StoreSubnegotiationByte(byte);
        break;
    case ParserState::IacInSubnegotiation:
        ParseSubnegotiationByte(byte);
        break;
    }
}

// The byte after IAC (RFC 854).
void CTelnetProtocol::ParseCommand(std::uint8_t command) {
    if (command == kIac) {
        // A data byte 255, doubled on the wire so that it is not a command.
        m_nParserState = ParserState::Data;
        AppendDisplay(kIac);
    } else if (command == kSb) {
        m_nSubLength = 0;
        m_bSubDropped = false;
        m_nParserState = ParserState::InSubnegotiation;
    } else if (command >= kWill) {
        // WILL, WONT, DO, DONT: the option byte follows.
        m_subBuffer[0] = command;
        m_nSubLength = 1;
        m_nParserState = ParserState::AfterCommand;
    } else {
        // NOP, Data Mark, Break, Interrupt Process, Abort Output, Are You
        // There, Erase Character, Erase Line, Go Ahead, a stray SE, or a byte
        // that names no command: two bytes in all, none of which is shown,
        // and the byte after them is data again. The terminal keeps no
        // output queue to abort or flush and edits no line of the peer's.
        m_nParserState = ParserState::Data;
    }
}

// The byte after an IAC inside a subnegotiation (RFC 855).
void CTelnetProtocol::ParseSubnegotiationByte(std::uint8_t byte) {
    if (byte == kSe) {
        m_nParserState = ParserState::Data;
        if (!m_bSubDropped) HandleSubnegotiation();
        return;
    }
    m_nParserState = ParserState::InSubnegotiation;
    if (byte == kIac)
        StoreSubnegotiationByte(kIac);
    else
        m_bSubDropped = true;  // malformed; only IAC SE may end it, so read on
}

void CTelnetProtocol::StoreSubnegotiationByte(std::uint8_t byte) {
    // Too long for the buffer: none of it is acted on, and none of it is
    // text, so the rest is read and dropped up to its IAC SE.
    if (m_nSubLength == kSubnegotiationSize) {
        m_bSubDropped = true;
        return;
    }
    m_subBuffer[m_nSubLength++] = byte;
}

void CTelnetProtocol::HandleOption() {
    const std::uint8_t command = m_subBuffer[0];
    const std::uint8_t option = m_subBuffer[1];
    if (command == kWill)
        AnswerWill(option);
    else if (command == kDo)
        AnswerDo(option);
    // WONT and DONT get no reply.
}

void CTelnetProtocol::AnswerWill(std::uint8_t option) {
    if (option == kOptSuppressGoAhead) {
        if (!m_bSgaAnswered) {
            SendDo(kOptSuppressGoAhead);
            m_bSgaAnswered = true;
        }
    } else if (option == kOptEcho) {
        if (!m_bEchoAnswered) {
            SendDo(kOptEcho);
            m_bEchoAnswered = true;
        }
    } else {
        SendDont(option);
    }
}

void CTelnetProtocol::AnswerDo(std::uint8_t option) {
    if (option == kOptSuppressGoAhead) {
        if (!m_bSgaAnswered) {
            SendWill(kOptSuppressGoAhead);
            m_bSgaAnswered = true;
        }
    } else if (option == kOptEcho) {
        if (m_nEchoOffer == EchoOffer::Refuse) {
            SendWont(kOptEcho);  // refused each time it is asked
            m_bEchoAnswered = true;
        } else if (!m_bEchoAnswered) {
            SendWill(kOptEcho);
            m_bEchoAnswered = true;
        }
    } else if (option == kOptTerminalType) {
        SendWill(kOptTerminalType);
    } else {
        SendWont(option);
    }
}

void CTelnetProtocol::HandleSubnegotiation() {
    // RFC 1091: IAC SB TERMINAL-TYPE SEND IAC SE asks for our terminal type.
    if (m_nSubLength < 2 || m_subBuffer[0] != kOptTerminalType ||
        m_subBuffer[1] != kTerminalTypeSend)
        return;
    // IAC SB TERMINAL-TYPE IS "DUMP" NUL IAC SE, in one send.
    static constexpr std::array<std::uint8_t, 11> kReply = {
        kIac, kSb, kOptTerminalType, kTerminalTypeIs, 'D', 'U', 'M', 'P', kNul, kIac, kSe};
    m_sink.Send(kReply.data(), kReply.size());
}

void CTelnetProtocol::SendCommand(std::uint8_t verb, std::uint8_t option) {
    const std::array<std::uint8_t, 3> command = {kIac, verb, option};
    m_sink.Send(command.data(), command.size());
}

void CTelnetProtocol::SendWill(std::uint8_t option) {
    SendCommand(kWill, option);
}
void CTelnetProtocol::SendWont(std::uint8_t option) {
    SendCommand(kWont, option);
}
void CTelnetProtocol::SendDo(std::uint8_t option) {
    SendCommand(kDo, option);
}
void CTelnetProtocol::SendDont(std::uint8_t option) {
    SendCommand(kDont, option);
}

// ---------------------------------------------------------------------------
// Send side

CTelnetKeyboard::CTelnetKeyboard(CTelnetSink& sink) : m_sink(sink) {}

void CTelnetKeyboard::TypeChar(unsigned int character) {
    // A byte-oriented connection: only the low byte of the character goes out.
    const auto key = static_cast<std::uint8_t>(character & 0xFF);
    if (m_nLineMode == LineMode::Line)
        TypeInLineMode(key);
    else
        TypeInCharacterMode(key);
}

std::string_view CTelnetKeyboard::LineEnd() const {
    switch (m_nTxMode) {
    case TxMode::CrLf:
        return "\r\n";
    case TxMode::Lf:
        return "\n";
    case TxMode::Cr:
        break;
    }
    return "\r";
}

void CTelnetKeyboard::TypeInLineMode(std::uint8_t key) {
    if (key == kBackspace) {
        // Only the typed line can be erased, never the peer's text before it.
        if (m_nLineLength == 0) return;
        // A typed NUL was never shown, so there is nothing of it to erase.
        if (m_lineBuffer[m_nLineLength - 1] != kNul) m_sink.EraseBeforeCaret();
        --m_nLineLength;
        return;
    }
    if (key == kCr) {
        for (const char c : LineEnd()) m_lineBuffer[m_nLineLength++] = static_cast<std::uint8_t>(c);
        m_sink.InsertText("\r\n");
        SendData({m_lineBuffer.data(), m_nLineLength});
        m_nLineLength = 0;
        return;
    }
    // Keep room for the longest line end, so Enter always sends the whole line.
    if (m_nLineLength + 1 + kLongestLineEnd > kLineBufferSize) {
        m_sink.Beep();
        return;
    }
    m_lineBuffer[m_nLineLength++] = key;
    // The screen holds no NUL: a typed NUL is sent but not shown.
    const char shown[2] = {static_cast<char>(key), '\0'};
    m_sink.InsertText({shown, key == kNul ? 0U : 1U});
}

void CTelnetKeyboard::TypeInCharacterMode(std::uint8_t key) {
    // A line typed before line mode was switched off goes out first.
    FlushPendingLine();
    if (key == kCr) {
        const std::string_view end = LineEnd();
        m_sink.Send(reinterpret_cast<const std::uint8_t*>(end.data()), end.size());
        return;
    }
    SendData({&key, 1});
}

void CTelnetKeyboard::FlushPendingLine() {
    if (m_nLineLength == 0) return;
    SendData({m_lineBuffer.data(), m_nLineLength});
    m_nLineLength = 0;
}

void CTelnetKeyboard::SendData(std::span<const std::uint8_t> bytes) {
    // RFC 854: a data byte 255 goes out as IAC IAC, or the peer would read
    // it as the start of a command. Still one send call.
    std::size_t length = 0;
    for (const std::uint8_t byte : bytes) {
        if (byte == kIac) m_sendBuffer[length++] = kIac;
        m_sendBuffer[length++] = byte;
    }
    m_sink.Send(m_sendBuffer.data(), length);
}

// ---------------------------------------------------------------------------
// Scroll-back

std::optional<ScrollBackCut> PlanScrollBackCut(int lineCount, int textLength, int caret) {
    if (lineCount <= kScrollBackMaxLines) return std::nullopt;
    const int cut = std::clamp(textLength, 0, kScrollBackCut);
    const int remaining = std::max(textLength - cut, 0);
    return ScrollBackCut{cut, std::clamp(caret - cut, 0, remaining)};
}
