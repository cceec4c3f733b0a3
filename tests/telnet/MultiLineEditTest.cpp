// The multi-line edit control under the terminal: character positions with
// CR LF as two, wrapped display rows, the incremental row layout against a
// plain recount, the text limit, read-only, its own typing, and the view
// that follows the caret.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/qt/MultiLineEdit.h"
#include "framework/qt/TextRowLayout.h"
#include "framework/qt/WindowSystem.h"
#include "framework/testing/InputSimulation.h"
#include "res/resource.h"
#include "testkit/LanguageScope.h"

namespace {

// Rows of each line counted character by character: a character that would
// start past the row's end opens a new row; a tab goes to the next multiple
// of eight, not past the row's end.
std::vector<long> CountRows(const std::string& text, long columns) {
    std::vector<long> rows;
    long r = 1;
    long column = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            rows.push_back(r);
            r = 1;
            column = 0;
            ++i;
            continue;
        }
        if (column >= columns) {
            ++r;
            column = 0;
        }
        column = text[i] == '\t' ? std::min(columns, (column / 8 + 1) * 8) : column + 1;
    }
    return rows;
}

TEST(TextRowLayout, EditsKeepTheLayoutOfAFullRecount) {
    std::mt19937 rng(7);
    const std::string alphabet = "ab\r\n\r\n\t ";
    for (int round = 0; round < 400; ++round) {
        const int columns = 1 + static_cast<int>(rng() % 12);
        std::string text;
        TextRowLayout layout;
        layout.Reset(text, columns);
        for (int step = 0; step < 30; ++step) {
            const long length = static_cast<long>(text.size());
            long start = length ? static_cast<long>(rng() % (length + 1)) : 0;
            long end = start + (rng() % 3 == 0 ? static_cast<long>(rng() % 6) : 0);
            // Appends at the end are the common case; make them common here too.
            if (rng() % 2) start = end = length;
            end = std::min(end, length);
            std::string inserted(rng() % 9, 'x');
            for (char& c : inserted) c = alphabet[rng() % alphabet.size()];
            text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start),
                         inserted);
            layout.Update(text, start, end, start + static_cast<long>(inserted.size()));

            const std::vector<long> expected = CountRows(text, columns);
            ASSERT_EQ(layout.Lines().size(), expected.size()) << "round " << round;
            long total = 0;
            for (std::size_t i = 0; i < expected.size(); ++i) {
                ASSERT_EQ(layout.Lines()[i].rows, expected[i])
                    << "round " << round << " line " << i;
                total += expected[i];
            }
            ASSERT_EQ(layout.RowCount(), total);
            // Every caret position shows on a row whose characters reach it.
            for (long p = 0; p <= static_cast<long>(text.size()); ++p) {
                const TextRowLayout::Place place = layout.PlaceOf(text, p);
                ASSERT_LT(place.row, total);
                const TextRowLayout::RowSpan row = layout.Row(text, place.row);
                ASSERT_LE(row.start, p) << "round " << round << " position " << p;
                ASSERT_LE(place.column, columns);
            }
        }
    }
}

// A Telnet template whose terminal keeps the framework's own edit object,
// so its default handling of keys and characters runs.
class PlainEdit : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dlg.Create());
        m_edit = dynamic_cast<CEdit*>(m_dlg.GetDlgItem(IDC_TERMINAL));
        ASSERT_NE(m_edit, nullptr);
        m_widget = WidgetOf<MultiLineEditWidget>(m_edit);
        ASSERT_NE(m_widget, nullptr);
    }
    void TearDown() override { m_dlg.DestroyWindow(); }

    std::pair<int, int> Sel() const {
        int start = 0;
        int end = 0;
        m_edit->GetSel(start, end);
        return {start, end};
    }

    EnglishScope m_english;
    CDialog m_dlg{IDD_TELNET};
    CEdit* m_edit = nullptr;
    MultiLineEditWidget* m_widget = nullptr;
};

TEST_F(PlainEdit, PositionsCountCrLfAsTwoAndRowsCountWraps) {
    const int columns = m_widget->ColumnsPerRow();
    ASSERT_GT(columns, 20);
    m_edit->ReplaceSel("ab\r\ncd");
    EXPECT_EQ(Sel(), std::make_pair(6, 6));
    EXPECT_EQ(m_edit->GetLineCount(), 2);
    m_edit->SetSel(1, 4);
    m_edit->ReplaceSel("X");
    EXPECT_EQ(m_edit->GetWindowText(), "aXcd");
    EXPECT_EQ(Sel(), std::make_pair(2, 2));
    EXPECT_EQ(m_edit->GetLineCount(), 1);

    // A row exactly full stays one row; one more character wraps.
    m_edit->SetWindowText(std::string(static_cast<std::size_t>(columns), 'x'));
    EXPECT_EQ(m_edit->GetLineCount(), 1);
    m_edit->SetSel(-1, -1);
    m_edit->SetSel(columns, columns);
    m_edit->ReplaceSel(std::string(static_cast<std::size_t>(columns) + 1, 'y') + "\r\n");
    EXPECT_EQ(m_edit->GetLineCount(), 4);
    // Lone CR and LF are characters, not line breaks.
    m_edit->SetWindowText("a\rb\nc");
    EXPECT_EQ(m_edit->GetLineCount(), 1);
}

TEST_F(PlainEdit, SelectionRulesOfTheClassicControl) {
    m_edit->SetWindowText("hello");
    EXPECT_EQ(Sel(), std::make_pair(0, 0));
    m_edit->SetSel(4, 1);  // reversed: the same range, caret at 1
    EXPECT_EQ(Sel(), std::make_pair(1, 4));
    m_edit->SetSel(-1, 3);  // only drops the selection
    EXPECT_EQ(Sel(), std::make_pair(1, 1));
    m_edit->SetSel(2, -1);  // to the end
    EXPECT_EQ(Sel(), std::make_pair(2, 5));
    m_edit->Clear();
    EXPECT_EQ(m_edit->GetWindowText(), "he");
    m_edit->SetSel(9, 9);  // past the end: the end
    EXPECT_EQ(Sel(), std::make_pair(2, 2));
    // The inserted text ends at its first NUL, as a C string would.
    m_edit->ReplaceSel(std::string_view("y\0z", 3));
    EXPECT_EQ(m_edit->GetWindowText(), "hey");
}

TEST_F(PlainEdit, TextLimitAndLiftingIt) {
    m_edit->LimitText(5);
    m_edit->ReplaceSel("abcdefgh");
    EXPECT_EQ(m_edit->GetWindowText(), "abcde");
    m_edit->SetSel(1, 3);
    m_edit->ReplaceSel("1234");  // room for the two selected characters
    EXPECT_EQ(m_edit->GetWindowText(), "a12de");
    m_edit->LimitText(0);
    m_edit->SetSel(5, 5);
    m_edit->ReplaceSel(std::string(100000, 'z'));
    EXPECT_EQ(m_edit->GetWindowText().size(), 100005U);
}

TEST_F(PlainEdit, ReadOnlyRefusesTypingAndClearButNotReplace) {
    SimulateTyping(m_edit, "ab\rc\t");
    EXPECT_EQ(m_edit->GetWindowText(), "ab\r\nc\t");
    SimulateKey(m_edit, VK_BACK, "\b");
    SimulateKey(m_edit, VK_BACK, "\b");
    SimulateKey(m_edit, VK_BACK, "\b");  // the line break goes whole
    EXPECT_EQ(m_edit->GetWindowText(), "ab");

    m_edit->SetReadOnly(true);
    EXPECT_TRUE(m_edit->IsReadOnly());
    SimulateTyping(m_edit, "x\b");
    m_edit->SetSel(0, 1);
    m_edit->Clear();
    EXPECT_EQ(m_edit->GetWindowText(), "ab");
    m_edit->ReplaceSel("A");
    EXPECT_EQ(m_edit->GetWindowText(), "Ab");
}

TEST_F(PlainEdit, ViewFollowsTheCaretAndScrollsOnRequest) {
    std::string lines;
    for (int i = 0; i < 400; ++i) lines += "line " + std::to_string(i) + "\r\n";
    m_edit->ReplaceSel(lines);
    const int visible = m_widget->VisibleRows();
    ASSERT_GT(visible, 5);
    EXPECT_EQ(m_widget->TopRow(), 401 - visible);  // the caret's row is the last one shown

    SimulateKey(m_edit, VK_PRIOR);  // page up scrolls the view only
    EXPECT_EQ(m_widget->TopRow(), 401 - 2 * visible);
    m_edit->SetSel(0, 0);
    EXPECT_EQ(m_widget->TopRow(), 0);
    m_edit->SetSel(-1, -1, true);
    m_edit->SetSel(static_cast<int>(lines.size()), static_cast<int>(lines.size()), true);
    EXPECT_EQ(m_widget->TopRow(), 0);  // no scroll asked for
    m_edit->ScrollCaret();
    EXPECT_EQ(m_widget->TopRow(), 401 - visible);

    // Cutting the oldest text keeps the view on the caret.
    m_edit->SetSel(0, 2048);
    m_edit->Clear();
    m_edit->SetSel(static_cast<int>(lines.size()) - 2048, static_cast<int>(lines.size()) - 2048);
    EXPECT_EQ(m_widget->TopRow(), m_edit->GetLineCount() - visible);
}

}  // namespace
