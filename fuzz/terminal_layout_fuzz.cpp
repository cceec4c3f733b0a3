// libFuzzer target for the terminal's incremental row layout
// (src/framework/qt/TextRowLayout.*): random edits of the kinds the terminal
// makes (appends, inserts, erasing a range or before the caret, clearing,
// cutting the oldest text, a new width), each followed by a check of the
// layout kept up to date against a full recount from the text.
//
// Build and run from the repository root (fuzz/run.sh does both):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
//       -fno-sanitize-recover=undefined -Isrc fuzz/terminal_layout_fuzz.cpp \
//       src/framework/qt/TextRowLayout.cpp -o build-fuzz/terminal_layout_fuzz
//   build-fuzz/terminal_layout_fuzz -max_total_time=60 -max_len=4096 \
//       build-fuzz/corpus-terminal_layout fuzz/corpus/terminal_layout
//
// Input layout: byte 0 picks the row width (1 to 96 cells); then edits, each
// an operation byte followed by the bytes it reads (positions, lengths and
// the inserted characters, mapped onto a small alphabet rich in tabs, CR and
// LF so that line breaks form, split and join). After every edit the layout
// is compared with a recount, and its answers for the text's end and a few
// other positions and rows (picked by a generator seeded with the edit's
// number, apart from the input) with those of a full layout.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "framework/qt/TextRowLayout.h"

namespace {

constexpr std::size_t kMaxText = 8192;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    [[nodiscard]] bool Done() const { return m_at >= m_size; }
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // A number below `bound` (at least 1), from two bytes.
    long Below(long bound) {
        const long value = (static_cast<long>(Byte()) << 8) | Byte();
        return bound <= 0 ? 0 : value % bound;
    }
    std::string Text(std::size_t length) {
        static constexpr char kAlphabet[] = {'a',  'b',  ' ',  '\t', '\r',
                                             '\n', '\r', '\n', 'x',  '\x01'};
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            text.push_back(kAlphabet[Byte() % sizeof(kAlphabet)]);
        }
        return text;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// The lines of `text` counted afresh, one character at a time: a CR LF ends
// a line, a row wraps before a character that finds it full, a tab goes to
// the next stop of eight cells but not past the row's end.
std::vector<TextRowLayout::Line> Recount(const std::string& text, int columns) {
    std::vector<TextRowLayout::Line> lines;
    TextRowLayout::Line line;
    long column = 0;
    const long length = static_cast<long>(text.size());
    for (long p = 0; p <= length; ++p) {
        const bool atBreak = p + 1 < length && text[static_cast<std::size_t>(p)] == '\r' &&
                             text[static_cast<std::size_t>(p + 1)] == '\n';
        if (p == length || atBreak) {
            line.length = p - line.start;
            line.endColumn = column;
            lines.push_back(line);
            if (p == length) break;
            ++p;
            line = {};
            line.start = p + 1;
            column = 0;
            continue;
        }
        const char c = text[static_cast<std::size_t>(p)];
        if (column >= columns) {
            ++line.rows;
            column = 0;
        }
        if (c == '\t') {
            line.hasTab = true;
            column = std::min<long>(
                columns, (column / TextRowLayout::kTabStop + 1) * TextRowLayout::kTabStop);
        } else {
            ++column;
        }
    }
    return lines;
}

// The layout kept up to date must be the one a full layout of the text
// gives, line by line, and answer every query the same way.
void Check(const TextRowLayout& kept, const std::string& text, int columns, CXorShift in) {
    const std::vector<TextRowLayout::Line> expected = Recount(text, columns);
    const std::vector<TextRowLayout::Line>& lines = kept.Lines();
    FUZZ_CHECK(lines.size() == expected.size());
    long rows = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(lines[i].start == expected[i].start);
        FUZZ_CHECK(lines[i].length == expected[i].length);
        FUZZ_CHECK(lines[i].rows == expected[i].rows);
        FUZZ_CHECK(lines[i].endColumn == expected[i].endColumn);
        FUZZ_CHECK(lines[i].hasTab == expected[i].hasTab);
        rows += expected[i].rows;
    }
    FUZZ_CHECK(kept.RowCount() == rows);
    FUZZ_CHECK(kept.Columns() == columns);

    TextRowLayout fresh;
    fresh.Reset(text, columns);
    const long length = static_cast<long>(text.size());
    // The caret's place at the text's end, and at a few positions the input picks.
    for (int i = 0; i < 4; ++i) {
        const long p = i == 0 ? length : in.Below(length + 1);
        const TextRowLayout::Place a = kept.PlaceOf(text, p);
        const TextRowLayout::Place b = fresh.PlaceOf(text, p);
        FUZZ_CHECK(a.row == b.row && a.column == b.column);
        FUZZ_CHECK(a.row >= 0 && a.row < rows && a.column >= 0 && a.column <= columns);
    }
    // The last row and a few the input picks: the same characters, and the
    // same caret position for a cell of them.
    for (int i = 0; i < 4; ++i) {
        const long row = i == 0 ? rows - 1 : in.Below(rows);
        const TextRowLayout::RowSpan a = kept.Row(text, row);
        const TextRowLayout::RowSpan b = fresh.Row(text, row);
        FUZZ_CHECK(a.start == b.start && a.end == b.end && a.lastOfLine == b.lastOfLine);
        FUZZ_CHECK(0 <= a.start && a.start <= a.end && a.end <= length);
        const long column = in.Below(columns + 2);
        FUZZ_CHECK(kept.PositionAt(text, row, column) == fresh.PositionAt(text, row, column));
    }
}

bool IsLineBreakAt(const std::string& text, long position) {
    return position >= 0 && position + 1 < static_cast<long>(text.size()) &&
           text[static_cast<std::size_t>(position)] == '\r' &&
           text[static_cast<std::size_t>(position + 1)] == '\n';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    int columns = 1 + in.Byte() % 96;
    std::string text;
    TextRowLayout layout;
    layout.Reset(text, columns);
    // The caret, as the terminal keeps it: edits happen there.
    long caret = 0;
    int step = 0;
    // Replaces [start, end) with `with`, as the control does.
    auto replace = [&](long start, long end, const std::string& with) {
        text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), with);
        layout.Update(text, start, end, start + static_cast<long>(with.size()));
        caret = start + static_cast<long>(with.size());
    };
    while (!in.Done()) {
        const long length = static_cast<long>(text.size());
        const std::uint8_t op = in.Byte();
        switch (op % 10) {
        case 0:
        case 1:
        case 2: {  // a read appended at the end
            const std::size_t n = std::min<std::size_t>(in.Byte(), kMaxText - text.size());
            replace(length, length, in.Text(n));
            break;
        }
        case 3: {  // typed or received at the caret
            const std::size_t n = std::min<std::size_t>(in.Byte() % 8, kMaxText - text.size());
            replace(caret, caret, in.Text(n));
            break;
        }
        case 4: {  // a selection replaced
            const long a = in.Below(length + 1);
            const long b = in.Below(length + 1);
            const std::size_t n = std::min<std::size_t>(in.Byte() % 16, kMaxText - text.size());
            replace(std::min(a, b), std::max(a, b), in.Text(n));
            break;
        }
        case 5:  // a backspace: a line break goes whole
            if (caret > 0)
                replace(IsLineBreakAt(text, caret - 2) ? caret - 2 : caret - 1, caret, {});
            break;
        case 6: {  // the scroll-back cut: the oldest text goes
            const long cut = std::min(length, 1 + in.Below(length + 1));
            const long kept = caret - cut;
            replace(0, cut, {});
            caret = std::max(0L, kept);
            break;
        }
        case 7:  // cleared
            text.clear();
            layout.Reset(text, columns);
            caret = 0;
            break;
        case 8:  // a new width
            columns = 1 + in.Byte() % 96;
            layout.Reset(text, columns);
            break;
        case 9:  // the caret placed
            caret = in.Below(length + 1);
            break;
        }
        Check(layout, text, columns, CXorShift(static_cast<std::uint32_t>(++step)));
    }
    return 0;
}
