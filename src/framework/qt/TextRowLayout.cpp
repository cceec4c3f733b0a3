#include "framework/qt/TextRowLayout.h"

#include <algorithm>
#include <cstring>

namespace {

// The CR of the next CR LF at or after `from`, or -1.
long FindBreak(const char* data, long from, long length) {
    while (from < length) {
        const void* cr = std::memchr(data + from, '\r', static_cast<std::size_t>(length - from));
        if (!cr) return -1;
        const long at = static_cast<const char*>(cr) - data;
        if (at + 1 < length && data[at + 1] == '\n') return at;
        from = at + 1;
    }
    return -1;
}

}  // namespace

TextRowLayout::TextRowLayout() {
    m_lines.push_back({});
}

long TextRowLayout::Advance(char c, long column) const {
    if (c != '\t') return column + 1;
    return std::min<long>(m_columns, (column / kTabStop + 1) * kTabStop);
}

void TextRowLayout::Reset(const std::string& text, int columns) {
    m_columns = std::max(1, columns);
    m_lines.clear();
    ScanLines(text, 0, 0, {}, false, -1, m_lines);
    m_totalRows = 0;
    for (const Line& line : m_lines) m_totalRows += line.rows;
    m_validFirstRows = 0;
}

void TextRowLayout::LayOutSegment(const std::string& text, long from, long to, Cursor& cursor,
                                  bool& hasTab) const {
    const char* data = text.data();
    const long columns = m_columns;
    while (from < to) {
        const void* tab = std::memchr(data + from, '\t', static_cast<std::size_t>(to - from));
        const long runEnd = tab ? static_cast<const char*>(tab) - data : to;
        // A run without tabs: fill the current row, then whole rows. A row
        // wraps only when another character follows, so a line exactly one
        // row long stays one row.
        long n = runEnd - from;
        if (n > 0) {
            const long room = columns - cursor.column;
            if (n <= room) {
                cursor.column += n;
            } else {
                n -= room;
                const long extra = (n + columns - 1) / columns;
                cursor.rows += extra;
                cursor.column = n - (extra - 1) * columns;
            }
        }
        if (!tab) break;
        hasTab = true;
        if (cursor.column >= columns) {
            ++cursor.rows;
            cursor.column = 0;
        }
        cursor.column = Advance('\t', cursor.column);
        from = runEnd + 1;
    }
}

long TextRowLayout::ScanLines(const std::string& text, long lineStart, long from, Cursor cursor,
                              bool hasTab, long stopAt, std::vector<Line>& out) const {
    const long length = static_cast<long>(text.size());
    while (true) {
        const long lineBreak = FindBreak(text.data(), from, length);
        const long contentEnd = lineBreak < 0 ? length : lineBreak;
        LayOutSegment(text, from, contentEnd, cursor, hasTab);
        out.push_back({lineStart, contentEnd - lineStart, cursor.rows, cursor.column, hasTab});
        if (lineBreak < 0) return -1;
        const long next = lineBreak + 2;
        if (stopAt >= 0 && next >= stopAt) return next;
        lineStart = from = next;
        cursor = {};
        hasTab = false;
    }
}

void TextRowLayout::Update(const std::string& text, long start, long oldEnd, long newEnd) {
    const long delta = newEnd - oldEnd;
    const long oldCount = static_cast<long>(m_lines.size());
    const long first = LineIndexOf(start);
    const long last = LineIndexOf(oldEnd);
    const Line firstLine = m_lines[static_cast<std::size_t>(first)];
    // The lines from `first` to `last` are laid out again, up to the line
    // break that ended `last` (the text after it is unchanged). A pure
    // insertion at a line's end resumes that line's layout instead of
    // starting it over, so a flood of appends stays cheap; a CR before the
    // insertion could pair with an inserted LF, so it starts over then.
    const long stopAt =
        last + 1 < oldCount ? m_lines[static_cast<std::size_t>(last + 1)].start + delta : -1;
    const bool resume =
        start == oldEnd && start == firstLine.start + firstLine.length &&
        !(firstLine.length > 0 && text[static_cast<std::size_t>(start - 1)] == '\r');
    m_scratch.clear();
    const long stoppedAt =
        resume ? ScanLines(text, firstLine.start, start, {firstLine.rows, firstLine.endColumn},
                           firstLine.hasTab, stopAt, m_scratch)
               : ScanLines(text, firstLine.start, firstLine.start, {}, false, stopAt, m_scratch);
    // The scan ended at the text's end, or at an unchanged line's start.
    long end = oldCount;
    if (stoppedAt >= 0) {
        end = last + 1;
        while (end < oldCount && m_lines[static_cast<std::size_t>(end)].start + delta < stoppedAt) {
            ++end;
        }
        if (end == oldCount || m_lines[static_cast<std::size_t>(end)].start + delta != stoppedAt) {
            Reset(text, m_columns);  // cannot happen; the whole layout is the safe answer
            return;
        }
    }
    for (long i = first; i < end; ++i) m_totalRows -= m_lines[static_cast<std::size_t>(i)].rows;
    for (const Line& line : m_scratch) m_totalRows += line.rows;
    const auto at = m_lines.begin() + first;
    const long replaced = end - first;
    const long fresh = static_cast<long>(m_scratch.size());
    std::copy_n(m_scratch.begin(), std::min(replaced, fresh), at);
    if (fresh > replaced) {
        m_lines.insert(at + replaced, m_scratch.begin() + replaced, m_scratch.end());
    } else if (fresh < replaced) {
        m_lines.erase(at + fresh, at + replaced);
    }
    if (delta != 0) {
        for (auto it = m_lines.begin() + first + fresh; it != m_lines.end(); ++it)
            it->start += delta;
    }
    m_validFirstRows = std::min(m_validFirstRows, static_cast<std::size_t>(first));
}

long TextRowLayout::LineIndexOf(long position) const {
    const auto it = std::upper_bound(m_lines.begin(), m_lines.end(), position,
                                     [](long p, const Line& line) { return p < line.start; });
    return std::max<long>(0, static_cast<long>(it - m_lines.begin()) - 1);
}

void TextRowLayout::EnsureFirstRows() const {
    m_firstRows.resize(m_lines.size());
    for (std::size_t i = m_validFirstRows; i < m_lines.size(); ++i) {
        m_firstRows[i] = i == 0 ? 0 : m_firstRows[i - 1] + m_lines[i - 1].rows;
    }
    m_validFirstRows = m_lines.size();
}

long TextRowLayout::LineIndexOfRow(long row) const {
    EnsureFirstRows();
    const auto it = std::upper_bound(m_firstRows.begin(), m_firstRows.end(), row);
    return std::max<long>(0, static_cast<long>(it - m_firstRows.begin()) - 1);
}

long TextRowLayout::TabLineRowStart(const std::string& text, const Line& line,
                                    long rowInLine) const {
    if (rowInLine <= 0) return line.start;
    Cursor cursor;
    const long end = line.start + line.length;
    for (long p = line.start; p < end; ++p) {
        if (cursor.column >= m_columns) {
            ++cursor.rows;
            cursor.column = 0;
            if (cursor.rows - 1 == rowInLine) return p;
        }
        cursor.column = Advance(text[static_cast<std::size_t>(p)], cursor.column);
    }
    return end;
}

TextRowLayout::Place TextRowLayout::PlaceOf(const std::string& text, long position) const {
    position = std::clamp<long>(position, 0, static_cast<long>(text.size()));
    const long index = LineIndexOf(position);
    const Line& line = m_lines[static_cast<std::size_t>(index)];
    EnsureFirstRows();
    const long firstRow = m_firstRows[static_cast<std::size_t>(index)];
    // A position inside the line break shows at the line's end.
    const long offset = std::min(position - line.start, line.length);
    const long columns = m_columns;
    if (!line.hasTab) {
        // Before a character: where that character stands. At the line's
        // end: right after the last character, on its row.
        if (offset == 0) return {firstRow, 0};
        if (offset < line.length) return {firstRow + offset / columns, offset % columns};
        return {firstRow + (offset - 1) / columns, (offset - 1) % columns + 1};
    }
    Cursor cursor;
    for (long p = line.start; p < line.start + offset; ++p) {
        if (cursor.column >= columns) {
            ++cursor.rows;
            cursor.column = 0;
        }
        cursor.column = Advance(text[static_cast<std::size_t>(p)], cursor.column);
    }
    if (offset < line.length && cursor.column >= columns) return {firstRow + cursor.rows, 0};
    return {firstRow + cursor.rows - 1, cursor.column};
}

TextRowLayout::RowSpan TextRowLayout::Row(const std::string& text, long row) const {
    row = std::clamp<long>(row, 0, m_totalRows - 1);
    const long index = LineIndexOfRow(row);
    const Line& line = m_lines[static_cast<std::size_t>(index)];
    const long rowInLine = row - m_firstRows[static_cast<std::size_t>(index)];
    const long lineEnd = line.start + line.length;
    const bool last = rowInLine + 1 >= line.rows;
    if (!line.hasTab) {
        const long start = line.start + rowInLine * m_columns;
        return {start, std::min(start + m_columns, lineEnd), last};
    }
    const long start = TabLineRowStart(text, line, rowInLine);
    return {start, last ? lineEnd : TabLineRowStart(text, line, rowInLine + 1), last};
}

long TextRowLayout::PositionAt(const std::string& text, long row, long column) const {
    if (row >= m_totalRows) return static_cast<long>(text.size());
    const RowSpan span = Row(text, std::max<long>(0, row));
    long cell = 0;
    for (long p = span.start; p < span.end; ++p) {
        if (cell >= column) return p;
        cell = Advance(text[static_cast<std::size_t>(p)], cell);
    }
    // Right of a wrapped row's text: its last character (the row's end
    // position already shows on the next row).
    return span.lastOfLine || span.end == span.start ? span.end : span.end - 1;
}
