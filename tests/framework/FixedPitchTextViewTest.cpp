// The text controls' common view: whole-pixel cells, frames at most once per
// display frame that repaint only the rows whose look changed on screen, and
// a caret that blinks on one timer.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>
#include <string>
#include <vector>

#include "framework/qt/FixedPitchTextView.h"
#include "framework/testing/EventPump.h"

namespace {

// A view of plain rows with its caret at the start of row 0; it counts its
// frames and records what it paints.
class RowsView : public FixedPitchTextView {
public:
    RowsView() : FixedPitchTextView(nullptr, WS_TABSTOP) { resize(320, 200); }

    [[nodiscard]] std::string GetText() const override { return {}; }
    void SetText(std::string_view) override {}

    using FixedPitchTextView::CaretOn;
    using FixedPitchTextView::LetterSpacing;
    using FixedPitchTextView::RowRect;
    using FixedPitchTextView::ShowCaretNow;
    using FixedPitchTextView::StartBlinking;
    using FixedPitchTextView::StopBlinking;

    // Shown, and painted once in full.
    void ShowPainted() {
        show();
        ASSERT_TRUE(PumpUntil([&] { return !paints.empty(); }, 2000));
        paints.clear();
    }
    // Pumps until a frame has come and gone, or `ms` have passed.
    void PumpFrame(int ms = 200) {
        const int before = frames;
        PumpUntil([&] { return frames > before; }, ms);
        PumpUntil([] { return false; }, 20);
    }

    std::vector<std::string> rows = std::vector<std::string>(8, "row");
    std::vector<QRegion> paints;
    int frames = 0;
    int cellsMeasured = 0;

protected:
    void Frame() override {
        ++frames;
        RepaintChangedRows([this](long index) { return LookOf(index); });
    }
    [[nodiscard]] QRect TextArea() const override {
        return rect().adjusted(kBorder, kBorder, -kBorder - ScrollBarWidth(), -kBorder);
    }
    void SyncScrollBar() override {}
    void CellsChanged() override { ++cellsMeasured; }
    void LookChanged() override { RepaintAll(); }
    void SendScroll(UINT, int) override {}
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), Qt::white);
        paints.push_back(event->region());
        RememberPaintedRows(event->region(), rect(), [this](long index) { return LookOf(index); });
    }

private:
    [[nodiscard]] RowLook LookOf(long index) const {
        RowLook look;
        if (index < static_cast<long>(rows.size()))
            look.text = rows[static_cast<std::size_t>(index)];
        if (index == 0 && CaretOn()) look.caret = 0;
        return look;
    }
};

}  // namespace

TEST(FixedPitchTextView, CellsAreTheFontsAdvanceRoundedToWholePixels) {
    RowsView view;
    // A size whose digit advance has a fraction above one half, so that
    // rounding and cutting off differ.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    double advance = 0;
    for (int pixels = 8; pixels <= 40; ++pixels) {
        font.setPixelSize(pixels);
        advance = QFontMetricsF(font).horizontalAdvance(u'0');
        if (advance - std::floor(advance) > 0.55) break;
    }
    if (advance - std::floor(advance) <= 0.55) GTEST_SKIP() << "no font size with such an advance";
    const int measuredBefore = view.cellsMeasured;
    view.setFont(font);
    EXPECT_EQ(view.CellWidth(), static_cast<int>(std::ceil(advance)));
    EXPECT_NEAR(view.LetterSpacing(), view.CellWidth() - advance, 1e-9)
        << "glyphs are spaced onto the cells";
    EXPECT_EQ(view.RowHeight(), QFontMetrics(font).height());
    EXPECT_EQ(view.cellsMeasured, measuredBefore + 1);
}

TEST(FixedPitchTextView, FramesComeAtMostOncePerDisplayFrameAndRepaintOnlyChangedRows) {
    RowsView view;
    view.ShowPainted();

    // A flood of requests, each followed by a pass of the event loop.
    const int framesBefore = view.frames;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 160) {
        view.RequestRepaint();
        QApplication::processEvents();
    }
    const int frames = view.frames - framesBefore;
    EXPECT_LE(frames, clock.elapsed() / kFrameMs + 1);
    EXPECT_GE(frames, 2) << "frames keep coming while requests do";
    EXPECT_TRUE(view.paints.empty()) << "no row changed";

    // Many changes before a frame: one paint, of the changed rows alone.
    view.PumpFrame();
    view.paints.clear();
    for (int i = 0; i < 100; ++i) {
        view.rows[2] = "changed " + std::to_string(i);
        view.rows[5] = "changed " + std::to_string(i);
        view.RequestRepaint();
    }
    view.PumpFrame();
    ASSERT_EQ(view.paints.size(), 1U);
    EXPECT_EQ(view.paints.front(), QRegion(view.RowRect(2)) + view.RowRect(5));

    // A grab of the widget paints a row changed since its frame, but the
    // screen still shows the old row: the next frame repaints it.
    view.paints.clear();
    view.rows[3] = "grabbed";
    (void)view.grab();
    view.paints.clear();
    view.RequestRepaint();
    view.PumpFrame();
    ASSERT_EQ(view.paints.size(), 1U);
    EXPECT_EQ(view.paints.front(), QRegion(view.RowRect(3)));
}

TEST(FixedPitchTextView, TheCaretBlinksOnOneTimerThatStopsWhenAsked) {
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(40);  // a blink every 20 ms
    RowsView view;
    QApplication::setCursorFlashTime(flashTime);
    view.ShowPainted();

    view.StartBlinking();
    ASSERT_TRUE(PumpUntil([&] { return !view.CaretOn(); }, 2000));
    ASSERT_TRUE(PumpUntil([&] { return view.CaretOn(); }, 2000));
    view.PumpFrame();
    ASSERT_FALSE(view.paints.empty());
    for (const QRegion& paint : view.paints) {
        EXPECT_EQ(paint, QRegion(view.RowRect(0))) << "a blink repaints the caret's row alone";
    }

    // Stopped with the caret off: it stays off until shown again.
    ASSERT_TRUE(PumpUntil([&] { return !view.CaretOn(); }, 2000));
    view.StopBlinking();
    view.PumpFrame();
    view.paints.clear();
    PumpUntil([] { return false; }, 100);
    EXPECT_FALSE(view.CaretOn());
    EXPECT_TRUE(view.paints.empty());
    view.ShowCaretNow();
    view.RequestRepaint();
    view.PumpFrame();
    ASSERT_EQ(view.paints.size(), 1U);
    EXPECT_EQ(view.paints.front(), QRegion(view.RowRect(0)));
}
