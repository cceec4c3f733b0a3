// Decoding a control's bytes for assistive technology: the same text as the
// toolkit's own UTF-8 decoding that painting uses, malformed input included,
// and byte positions and text offsets that map onto each other.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "framework/qt/Utf8Text.h"

namespace {

// Bytes from the places where UTF-8 goes wrong: leads of every length,
// continuation bytes, the bounds of overlong forms and surrogates, bytes
// that start nothing.
std::string RandomUtf8ish(std::mt19937& rng, std::size_t length) {
    static const unsigned char kBytes[] = {'a',  '\r', '\n', 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                           0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0,
                                           0xF4, 0xF5, 0xFF, 0xEA, 0xB0, 0x80, 0x9C, 0x95};
    std::string bytes(length, '\0');
    for (char& c : bytes) c = static_cast<char>(kBytes[rng() % sizeof kBytes]);
    return bytes;
}

TEST(Utf8Text, DecodesAsTheToolkitDoesWithPositionsMappedBothWays) {
    std::mt19937 rng(1091);
    for (int round = 0; round < 5000; ++round) {
        const std::string bytes = round == 0 ? "\xED\x95\x9C\xEA\xB8\x80 \xF0\x9F\x98\x80!"
                                             : RandomUtf8ish(rng, rng() % 24);
        const Utf8Text text(bytes);
        ASSERT_EQ(text.Text(),
                  QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())))
            << testing::PrintToString(bytes);

        // Every offset names the first byte of its character, and that byte
        // leads back to it (a surrogate pair's second half to its first).
        const int length = static_cast<int>(text.Text().size());
        for (int offset = 0; offset <= length; ++offset) {
            const long position = text.PositionOf(offset);
            const int back = text.OffsetOf(position);
            ASSERT_TRUE(back == offset ||
                        (back == offset - 1 && text.Text()[offset].isLowSurrogate()))
                << testing::PrintToString(bytes) << " offset " << offset;
        }
        ASSERT_EQ(text.PositionOf(length), static_cast<long>(bytes.size()));
        ASSERT_EQ(text.OffsetOf(static_cast<long>(bytes.size())), length);
    }
}

TEST(Utf8Text, KoreanAndAnEmojiCountAsTheirCharacters) {
    const Utf8Text text("\xED\x95\x9C\xEA\xB8\x80 \xF0\x9F\x98\x80!");
    EXPECT_EQ(text.Text(), QString::fromUtf8("한글 😀!"));
    EXPECT_EQ(text.OffsetOf(3), 1);   // 글
    EXPECT_EQ(text.OffsetOf(4), 2);   // inside 글: after it
    EXPECT_EQ(text.OffsetOf(7), 3);   // the emoji, two units
    EXPECT_EQ(text.OffsetOf(11), 5);  // !
    EXPECT_EQ(text.PositionOf(4), 7);
    EXPECT_EQ(text.PositionOf(5), 11);
    EXPECT_EQ(text.PositionOf(-1), 0);
    EXPECT_EQ(text.PositionOf(99), 12);
}

}  // namespace
