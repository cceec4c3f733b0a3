#pragma once
// The display rows of a multi-line edit's text. The text is bytes, one
// character each; CR LF is the line break (two characters); a lone CR or LF
// is an ordinary character. Each line wraps at a fixed number of character
// cells; a tab advances to the next multiple of eight cells (not past the
// row's end).
//
// The layout keeps one record per line (start, length, rows) and is updated
// for the lines an edit touches only, so appending to a long text costs what
// the appended text costs. Mapping a display row to its line uses prefix row
// counts, rebuilt lazily from the first line an edit touched.

#include <string>
#include <vector>

class TextRowLayout {
public:
    static constexpr int kTabStop = 8;

    struct Line {
        long start = 0;      // first character
        long length = 0;     // characters before the line break
        long rows = 1;       // display rows, at least one
        long endColumn = 0;  // cells used on the last row
        bool hasTab = false;
    };

    // Where a caret position shows: display row and cell.
    struct Place {
        long row = 0;
        long column = 0;
    };

    // The characters of one display row.
    struct RowSpan {
        long start = 0;
        long end = 0;
        bool lastOfLine = true;  // ends at the line's end (not at a wrap)
    };

    TextRowLayout();

    // Lays the whole text out again at `columns` cells per row (at least 1).
    void Reset(const std::string& text, int columns);
    [[nodiscard]] int Columns() const { return m_columns; }

    // After the characters [start, oldEnd) were replaced, so that the new
    // characters are [start, newEnd) of `text`.
    void Update(const std::string& text, long start, long oldEnd, long newEnd);

    [[nodiscard]] long RowCount() const { return m_totalRows; }
    [[nodiscard]] const std::vector<Line>& Lines() const { return m_lines; }

    [[nodiscard]] Place PlaceOf(const std::string& text, long position) const;
    [[nodiscard]] RowSpan Row(const std::string& text, long row) const;
    // The caret position nearest to cell `column` of display row `row`.
    [[nodiscard]] long PositionAt(const std::string& text, long row, long column) const;

    // The cell after a character placed at `column` of a row.
    [[nodiscard]] long Advance(char c, long column) const;

private:
    struct Cursor {
        long rows = 1;
        long column = 0;
    };

    [[nodiscard]] long LineIndexOf(long position) const;
    [[nodiscard]] long LineIndexOfRow(long row) const;
    void EnsureFirstRows() const;
    void LayOutSegment(const std::string& text, long from, long to, Cursor& cursor,
                       bool& hasTab) const;
    // Lays out lines from `lineStart` (resuming at `from` with `cursor`) until
    // a line break that ends at or past `stopAt` (-1: the text's end).
    // Returns where that line break ends, or -1 at the text's end.
    long ScanLines(const std::string& text, long lineStart, long from, Cursor cursor, bool hasTab,
                   long stopAt, std::vector<Line>& out) const;
    // The first character of row `rowInLine` of a line with tabs.
    [[nodiscard]] long TabLineRowStart(const std::string& text, const Line& line,
                                       long rowInLine) const;

    int m_columns = 1;
    std::vector<Line> m_lines;
    long m_totalRows = 1;
    // m_firstRows[i] is the display row of line i, valid for i < m_validFirstRows.
    mutable std::vector<long> m_firstRows;
    mutable std::size_t m_validFirstRows = 0;
    std::vector<Line> m_scratch;
};
