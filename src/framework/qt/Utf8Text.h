#pragma once
// Inside the framework only: a control's text of bytes decoded as UTF-8 for
// assistive technology, exactly as the toolkit decodes it for painting
// (each byte of a malformed sequence one U+FFFD), with the map between the
// control's byte positions and offsets in the decoded UTF-16 text.

#include <QString>
#include <string>
#include <string_view>
#include <vector>

class Utf8Text {
public:
    explicit Utf8Text(std::string_view bytes);

    [[nodiscard]] const QString& Text() const { return m_text; }
    // The offset of the character that starts at byte `position`; a position
    // inside a character's bytes gives the offset after it. Clamped to the
    // text.
    [[nodiscard]] int OffsetOf(long position) const;
    // The byte where the character at `offset` starts (both halves of a
    // surrogate pair give its first byte); the text's end from its length
    // on. Clamped to the text.
    [[nodiscard]] long PositionOf(int offset) const;

private:
    QString m_text;
    // For each UTF-16 unit of m_text, the byte where its character starts.
    std::vector<long> m_unitStart;
    long m_size = 0;
};

// Bytes and toolkit text, converted as UTF-8.
std::string ToUtf8(const QString& text);
QString FromUtf8(std::string_view text);
