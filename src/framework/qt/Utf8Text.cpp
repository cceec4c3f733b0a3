#include "framework/qt/Utf8Text.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr char16_t kReplacement = u'\uFFFD';

bool IsContinuation(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed sequence (RFC 3629) at `bytes[at]` and its
// code point, or length 0 when the bytes there start none.
int DecodeSequence(std::string_view bytes, std::size_t at, char32_t& codePoint) {
    const auto lead = static_cast<std::uint8_t>(bytes[at]);
    int length = 0;
    // The allowed range of the second byte shuts out overlong forms,
    // surrogates and code points past U+10FFFF.
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + static_cast<std::size_t>(length) > bytes.size()) return 0;
    const auto second = static_cast<std::uint8_t>(bytes[at + 1]);
    if (second < low || second > high) return 0;
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
        if (!IsContinuation(next)) return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    return length;
}

}  // namespace

Utf8Text::Utf8Text(std::string_view bytes) : m_size(static_cast<long>(bytes.size())) {
    m_text.reserve(static_cast<qsizetype>(bytes.size()));
    m_unitStart.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<std::uint8_t>(bytes[at]);
        const auto start = static_cast<long>(at);
        char32_t codePoint = 0;
        const int length = byte < 0x80 ? 1 : DecodeSequence(bytes, at, codePoint);
        if (byte < 0x80) {
            m_text.append(QChar(byte));
        } else if (length == 0) {
            m_text.append(QChar(kReplacement));  // this byte alone; the next is tried afresh
        } else if (codePoint > 0xFFFF) {
            const char32_t ucs4[] = {codePoint};
            m_text.append(QString::fromUcs4(ucs4, 1));
            m_unitStart.push_back(start);
        } else {
            m_text.append(QChar(static_cast<char16_t>(codePoint)));
        }
        m_unitStart.push_back(start);
        at += static_cast<std::size_t>(std::max(length, 1));
    }
}

int Utf8Text::OffsetOf(long position) const {
    const auto it = std::lower_bound(m_unitStart.begin(), m_unitStart.end(), position);
    return static_cast<int>(it - m_unitStart.begin());
}

long Utf8Text::PositionOf(int offset) const {
    if (offset < 0) return 0;
    if (static_cast<std::size_t>(offset) >= m_unitStart.size()) return m_size;
    return m_unitStart[static_cast<std::size_t>(offset)];
}

std::string ToUtf8(const QString& text) {
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
