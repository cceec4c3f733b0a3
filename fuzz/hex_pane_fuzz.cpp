// libFuzzer target for the hex pane's geometry and caret rules
// (src/panes/HexLayout.*, src/panes/HexCaret.*) with the pane's edit on a
// ByteBuffer: random cursor keys, typed characters, clicks, scroll requests,
// selections and window heights on a buffer of random length, carried out
// as the pane carries them out (the view text rebuilt after a scroll, a
// typed byte stored and its two cells rewritten in the text, the caret put
// where the rules say). After every input it checks that:
//   - the buffer keeps its length;
//   - only a typed character changes a byte, only the byte under the
//     snapped caret, and only the nibble typed on (a cell takes the code);
//   - the caret stays within the view's text, and a caret on a data
//     position stays on one (a click always lands on one);
//   - the view's text, patched cell by cell, equals the dump of the bytes in
//     view formatted afresh;
//   - the layout keeps its invariants (top line, scroll position, rows).
//
// Build and run from the repository root (fuzz/run.sh does both):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
//       -fno-sanitize-recover=undefined -Isrc fuzz/hex_pane_fuzz.cpp \
//       src/panes/HexCaret.cpp src/panes/HexLayout.cpp src/panes/HexLine.cpp \
//       src/panes/ByteBuffer.cpp src/framework/BlockMemory.cpp -o build-fuzz/hex_pane_fuzz
//   build-fuzz/hex_pane_fuzz -max_total_time=60 -max_len=4096 \
//       build-fuzz/corpus-hex_pane fuzz/corpus/hex_pane
//
// Input layout: bytes 0-1 the buffer's length (0 to 1023, little-endian, low
// 10 bits), byte 2 the page size (1 to 16 lines), byte 3 seeds the bytes;
// then inputs, each an operation byte followed by the bytes it reads (see
// Run below).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "panes/ByteBuffer.h"
#include "panes/HexCaret.h"
#include "panes/HexLayout.h"
#include "panes/HexLine.h"

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    [[nodiscard]] bool Done() const { return m_at >= m_size; }
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // A number from 0 to bound - 1 (0 for a bound below 1), from two bytes.
    long Below(long bound) {
        const long value = static_cast<long>(Byte()) | (static_cast<long>(Byte()) << 8);
        return bound <= 0 ? 0 : value % bound;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// What the pane holds: the buffer, the view's layout and text, the caret,
// and the page size the window gives now.
struct Pane {
    ByteBuffer data{BlockPages::Small};
    std::vector<std::uint8_t> bytes;  // the buffer's contents, kept by the checks
    HexLayout layout;
    std::string text;
    long caret = 0;
    std::int64_t windowPage = 1;
};

std::string Dump(const ByteBuffer& data, const HexLayout& layout) {
    std::string text;
    for (std::int64_t line = layout.TopLine(); line <= layout.LastRenderedLine(); ++line) {
        char out[hexline::kLineChars];
        text.append(out, static_cast<std::size_t>(hexline::FormatDumpLine(data, line, out)));
    }
    return text;
}

// A rebuild of the view: the text formatted afresh, the caret after it.
void Rebuild(Pane& pane) {
    pane.text = Dump(pane.data, pane.layout);
    pane.caret = static_cast<long>(pane.text.size());
}

void RewriteCells(Pane& pane, std::uint8_t value, std::int64_t viewIndex) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const long digits = HexLayout::DigitsPosition(viewIndex);
    const long cell = HexLayout::CharacterPosition(viewIndex);
    FUZZ_CHECK(digits >= 0 && digits + 2 <= static_cast<long>(pane.text.size()));
    FUZZ_CHECK(cell >= 0 && cell < static_cast<long>(pane.text.size()));
    pane.text[static_cast<std::size_t>(digits)] = kDigits[value >> 4];
    pane.text[static_cast<std::size_t>(digits) + 1] = kDigits[value & 15];
    pane.text[static_cast<std::size_t>(cell)] = hexline::CharCell(value);
}

void CheckLayout(const HexLayout& layout, std::int64_t length) {
    FUZZ_CHECK(layout.Length() == length);
    FUZZ_CHECK(layout.TopLine() >= 0);
    FUZZ_CHECK(layout.TopLine() <= std::max<std::int64_t>(0, layout.LineCount() - 1));
    FUZZ_CHECK(layout.ScrollPosition() >= 0 &&
               layout.ScrollPosition() <= layout.LastScrollPosition());
    if (layout.LineCount() > 0) {
        // The view always holds the top line, and at most a page plus one.
        FUZZ_CHECK(layout.RenderedLines() >= 1);
        FUZZ_CHECK(layout.RenderedLines() <= layout.PageLines() + 1);
    } else {
        FUZZ_CHECK(layout.TextLength() == 0);
    }
}

// Typed characters: mostly ones with a meaning somewhere (hex digits,
// Backspace, Tab, Enter, printable ones), some of any code.
unsigned Character(Input& in) {
    static constexpr char kTyped[] = "0123456789abcdefABCDEFgGz ~\t\b\r\x1b\x01\x7f";
    const std::uint8_t pick = in.Byte();
    if (pick < 192) {
        return static_cast<unsigned char>(kTyped[pick % (sizeof kTyped - 1)]);
    }
    return pick < 240 ? in.Byte() : 0x100u + in.Byte();
}

void Run(Pane& pane, Input& in) {
    const std::int64_t length = pane.data.Size();
    while (!in.Done()) {
        const std::uint8_t op = in.Byte();
        // A caret on a data position stays on one, unless the window's
        // height changed since the view was built: a rebuild then holds
        // fewer rows, and a caret put back on its row may lie past the text.
        const bool onData = pane.layout.IsDataPosition(pane.caret);
        const bool samePage = pane.windowPage == pane.layout.PageLines();
        HexCaret caret(pane.layout, pane.caret, pane.windowPage);
        // The byte a character acts on: the one under the snapped caret.
        const long snapped = caret.Snapped(pane.caret);
        if (onData) {
            FUZZ_CHECK(snapped == pane.caret);
        }
        std::optional<HexEdit> edit;
        bool click = false;
        switch (op % 8) {
        case 0:
        case 1:
            caret.Press(static_cast<HexKey>(in.Byte() % 6));
            break;
        case 2:
        case 3:
            edit = caret.Type(Character(in));
            break;
        case 4:
            // The control puts the caret at a character boundary of its text,
            // at most its end; then the pane snaps it.
            pane.caret = in.Below(static_cast<long>(pane.text.size()) + 1);
            caret = HexCaret(pane.layout, pane.caret, pane.windowPage);
            caret.Click();
            click = true;
            break;
        case 5:
            caret.Scroll(static_cast<HexScroll>(in.Byte() % 8), in.Below(4200) - 100);
            break;
        case 6:
            // A selection made elsewhere: reached with the keyboard (the
            // whole text, from 0), or a drag that ended anywhere.
            pane.caret = (in.Byte() & 1) ? 0 : in.Below(static_cast<long>(pane.text.size()) + 1);
            continue;
        default:
            // The window's height changes; the view takes it at its next rebuild.
            pane.windowPage = 1 + in.Byte() % 16;
            continue;
        }

        if (edit) {
            FUZZ_CHECK(edit->index == pane.layout.ByteIndexAt(snapped));
            FUZZ_CHECK(edit->position == snapped);
            FUZZ_CHECK(pane.layout.IsDataPosition(edit->position));
            FUZZ_CHECK(edit->viewIndex ==
                       edit->index - pane.layout.TopLine() * HexLayout::kBytesPerRow);
            const std::uint8_t old = pane.data.At(edit->index);
            const std::uint8_t value = edit->Applied(old);
            switch (edit->part) {
            case HexEdit::Part::HighDigit:
                FUZZ_CHECK((value >> 4) == edit->typed && (value & 0x0F) == (old & 0x0F));
                break;
            case HexEdit::Part::LowDigit:
                FUZZ_CHECK((value & 0x0F) == edit->typed && (value & 0xF0) == (old & 0xF0));
                break;
            case HexEdit::Part::Whole:
                FUZZ_CHECK(value == edit->typed && edit->typed < 128);
                break;
            }
            FUZZ_CHECK(pane.data.Set(edit->index, value));
            pane.bytes[static_cast<std::size_t>(edit->index)] = value;
            RewriteCells(pane, value, edit->viewIndex);
            caret.Advance(*edit);
        }

        // As the pane carries the decision out.
        if (caret.Scrolled()) {
            FUZZ_CHECK(caret.ScrollRequested() && caret.Placed());
            pane.layout = caret.Layout();
            Rebuild(pane);
        } else {
            FUZZ_CHECK(caret.Layout().TopLine() == pane.layout.TopLine());
        }
        if (caret.Placed()) {
            pane.caret = caret.Position();
        }

        // The buffer: same length, only the edited byte changed.
        FUZZ_CHECK(pane.data.Size() == length);
        CheckLayout(pane.layout, length);
        for (std::int64_t i = 0; i < length; ++i) {
            FUZZ_CHECK(pane.data.At(i) == pane.bytes[static_cast<std::size_t>(i)]);
        }
        // The view equals the dump of the bytes in view.
        FUZZ_CHECK(static_cast<long>(pane.text.size()) == pane.layout.TextLength());
        FUZZ_CHECK(pane.text == Dump(pane.data, pane.layout));
        // The caret.
        FUZZ_CHECK(pane.caret >= 0 && pane.caret <= static_cast<long>(pane.text.size()));
        if (length > 0 && (click || (onData && samePage))) {
            FUZZ_CHECK(pane.layout.IsDataPosition(pane.caret));
        }
        if (length == 0) {
            FUZZ_CHECK(pane.caret == 0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::int64_t length = (in.Byte() | (in.Byte() << 8)) & 0x3FF;
    const std::int64_t page = 1 + in.Byte() % 16;
    const std::uint8_t seed = in.Byte();

    Pane pane;
    pane.bytes.resize(static_cast<std::size_t>(length));
    for (std::size_t i = 0; i < pane.bytes.size(); ++i) {
        pane.bytes[i] = static_cast<std::uint8_t>(i * 37 + (i >> 4) + seed);
    }
    FUZZ_CHECK(pane.data.Assign(pane.bytes.data(), length));
    // As the owner's SetData leaves the pane: the first line on the first
    // row, the caret after the text.
    pane.windowPage = page;
    pane.layout = HexLayout(length, 0, page);
    Rebuild(pane);
    Run(pane, in);
    return 0;
}
