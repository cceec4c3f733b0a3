// What the terminal's control repaints: only the rows of the view whose
// characters, selection or caret changed, at most once a frame; and what the
// screen shows after any run of such partial repaints is what a full
// repaint shows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <random>
#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/qt/MultiLineEdit.h"
#include "framework/qt/WindowSystem.h"
#include "framework/testing/InputSimulation.h"
#include "res/resource.h"
#include "testkit/LanguageScope.h"
#include "testkit/PaintRecorder.h"

namespace {

// The Telnet template's terminal with the framework's own edit object, its
// caret blinking every `blinkMs` (the default: never, during a test).
class EditPaint : public testing::Test {
protected:
    explicit EditPaint(int blinkMs = 1000000) : m_flashTime(QApplication::cursorFlashTime()) {
        QApplication::setCursorFlashTime(2 * blinkMs);
    }
    ~EditPaint() override { QApplication::setCursorFlashTime(m_flashTime); }

    void SetUp() override {
        ASSERT_TRUE(m_dlg.Create());
        m_edit = dynamic_cast<CEdit*>(m_dlg.GetDlgItem(IDC_TERMINAL));
        ASSERT_NE(m_edit, nullptr);
        m_widget = WidgetOf<MultiLineEditWidget>(m_edit);
        ASSERT_NE(m_widget, nullptr);
        m_edit->SetLimitText(0);
        m_edit->SetFocus();
        ASSERT_TRUE(PumpUntil([&] { return m_widget->isVisible() && m_widget->hasFocus(); }, 2000));
    }
    void TearDown() override { m_dlg.DestroyWindow(); }

    void Append(std::string_view text) {
        const int end = static_cast<int>(m_widget->TextLength());
        m_edit->SetSel(end, end);
        m_edit->ReplaceSel(text);
    }
    // The widget's pixels as the screen shows them now.
    [[nodiscard]] QImage OnScreen() const {
        const QPoint at = m_widget->mapTo(m_widget->window(), QPoint(0, 0));
        return m_widget->screen()
            ->grabWindow(m_widget->window()->winId(), at.x(), at.y(), m_widget->width(),
                         m_widget->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // The widget's pixels as a full repaint of its present state makes them.
    [[nodiscard]] QImage Repainted() const {
        return m_widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    // The height of one row of the view.
    [[nodiscard]] int RowHeight() const {
        return (m_widget->height() - 2) / m_widget->VisibleRows();
    }
    // The character position at the middle of a painted region.
    [[nodiscard]] long PositionIn(const QRegion& region) const {
        return m_widget->PositionAt(region.boundingRect().center());
    }

    int m_flashTime;
    EnglishScope m_english;
    CDialog m_dlg{IDD_TELNET};
    CEdit* m_edit = nullptr;
    MultiLineEditWidget* m_widget = nullptr;
};

TEST_F(EditPaint, AnInsertRepaintsItsRowAloneAndAnUnchangedViewNothing) {
    std::string lines;
    for (int i = 0; i < 10; ++i) lines += "line " + std::to_string(i) + "\r\n";
    Append(lines + "last");
    PaintRecorder recorder(m_widget);
    recorder.PumpFrames();
    recorder.paints.clear();

    // Characters added to the last line (the caret moves along it).
    Append("ly");
    recorder.PumpFrames();
    ASSERT_EQ(recorder.paints.size(), 1U);
    EXPECT_LE(recorder.All().boundingRect().height(), RowHeight());
    EXPECT_GE(PositionIn(recorder.All()), static_cast<long>(lines.size()));

    // A line break moves the caret to a new row: the rows it leaves and
    // enters, nothing above them.
    recorder.paints.clear();
    Append("\r\n");
    recorder.PumpFrames();
    ASSERT_FALSE(recorder.paints.empty());
    EXPECT_LE(recorder.All().boundingRect().height(), 2 * RowHeight());

    // Nothing changed: nothing painted, also after a caret placed where it was.
    recorder.paints.clear();
    const int end = static_cast<int>(m_widget->TextLength());
    m_edit->SetSel(end, end);
    recorder.PumpFrames(100);
    EXPECT_TRUE(recorder.paints.empty());
    EXPECT_EQ(OnScreen(), Repainted());
}

class EditPaintBlinking : public EditPaint {
protected:
    EditPaintBlinking() : EditPaint(30) {}
};

TEST_F(EditPaintBlinking, TheCaretBlinksByRepaintingItsRowAlone) {
    std::string lines;
    for (int i = 0; i < 10; ++i) lines += "line " + std::to_string(i) + "\r\n";
    Append(lines);
    m_edit->SetSel(10, 10);  // on the second row, "line 1"
    PaintRecorder recorder(m_widget);
    recorder.PumpFrames();
    recorder.paints.clear();
    // Two blinks: off, then on again.
    ASSERT_TRUE(PumpUntil([&] { return recorder.paints.size() >= 2; }, 2000));
    for (const QRegion& paint : recorder.paints) {
        EXPECT_LE(paint.boundingRect().height(), RowHeight());
        const long at = PositionIn(paint);
        EXPECT_GE(at, 8) << "a row before the caret's";
        EXPECT_LE(at, 14) << "a row after the caret's";
    }
}

// Random edits of every kind the terminal makes (inserts with line breaks,
// tabs and rows longer than the view, erasing before the caret, cutting
// the oldest text), selections, scrolling and grabs of the widget, each
// followed by its frame: the screen must come to show what a full repaint
// of the same state shows.
TEST_F(EditPaint, PartialRepaintsShowWhatAFullRepaintShows) {
    std::mt19937 rng(1307);
    const std::string alphabet = "abcdefghij \t\x01\r\n\r\n";
    auto* bar = m_widget->findChild<QScrollBar*>();
    ASSERT_NE(bar, nullptr);
    for (int step = 0; step < 120; ++step) {
        const long length = m_widget->TextLength();
        switch (rng() % 9) {
        case 0:
        case 1:
        case 2: {
            std::string text(rng() % (rng() % 4 == 0 ? 400 : 20), 'x');
            for (char& c : text) c = alphabet[rng() % alphabet.size()];
            Append(text);
            break;
        }
        case 3: {  // erase before the caret, as a received backspace does
            int start = 0;
            int caret = 0;
            m_edit->GetSel(start, caret);
            m_edit->SetSel(caret - 1, caret);
            m_edit->Clear();
            break;
        }
        case 4: {  // the scroll-back cut
            const auto cut = static_cast<int>(std::min<long>(length, 1 + rng() % 300));
            m_edit->SetSel(0, cut);
            m_edit->Clear();
            m_edit->SetSel(static_cast<int>(length) - cut, static_cast<int>(length) - cut);
            break;
        }
        case 5: {
            const auto a = static_cast<int>(rng() % (length + 1));
            const auto b = static_cast<int>(rng() % (length + 1));
            m_edit->SetSel(a, b, rng() % 2 == 0);
            break;
        }
        case 6:
            bar->triggerAction(rng() % 2 ? QAbstractSlider::SliderPageStepSub
                                         : QAbstractSlider::SliderSingleStepAdd);
            break;
        case 7:
            (void)Repainted();
            break;
        case 8:  // the peer's close turns the control read-only
            m_edit->SetReadOnly(!m_edit->IsReadOnly());
            break;
        }
        ASSERT_TRUE(PumpUntil([&] { return OnScreen() == Repainted(); }, 2000)) << "step " << step;
    }
}

}  // namespace
