// What a pane repaints: only the rows whose look changed, at most once a
// frame, and nothing when nothing changed.

#include <gtest/gtest.h>

#include <QRegion>

#include "panes/HexPaneSupport.h"
#include "testkit/PaintRecorder.h"

using namespace hexpane;

namespace {

int RowTop(const CHexView& pane, long row) {
    return pane.PosFromChar(row * kRow).y;
}

}  // namespace

TEST(HexViewPaint, AnAppendThatChangesTheLastRowRepaintsThatRowAlone) {
    TestMainWindow w;
    CHexView& pane = w.RecvPane();
    const Bytes first = Pattern(20);
    pane.AppendData(static_cast<std::int64_t>(first.size()), first.data());
    PaintRecorder recorder(pane.m_hWnd);
    recorder.PumpFrames();
    recorder.paints.clear();

    // Bytes 20 to 22 stand on the second line; the first line stays as it was.
    pane.AppendData(3, first.data());
    recorder.PumpFrames();
    ASSERT_EQ(recorder.paints.size(), 1U);
    const QRect painted = recorder.paints.front().boundingRect();
    EXPECT_GE(painted.top(), RowTop(pane, 1));
    EXPECT_LE(painted.bottom(), RowTop(pane, 2) - 1);
    EXPECT_EQ(Row(pane, 1), DumpLine(pane, 1));
}

TEST(HexViewPaint, AScrolledViewRepaintsEveryRowAndAnUnchangedOneNothing) {
    TestMainWindow w;
    CHexView& pane = w.RecvPane();
    const Bytes bytes = Pattern(16 * 200);
    pane.AppendData(static_cast<std::int64_t>(bytes.size()), bytes.data());
    PaintRecorder recorder(pane.m_hWnd);
    recorder.PumpFrames();
    recorder.paints.clear();

    // A new line scrolls the view: every row shows another line.
    pane.AppendData(16, bytes.data());
    recorder.PumpFrames();
    ASSERT_FALSE(recorder.paints.empty());
    const QRegion all = recorder.All();
    EXPECT_LE(all.boundingRect().top(), RowTop(pane, 0));
    EXPECT_GE(all.boundingRect().bottom(), RowTop(pane, pane.GetPageLines()) - 1);

    // An append of nothing at the end of the buffer changes no row.
    recorder.paints.clear();
    pane.AppendData(0, bytes.data());
    recorder.PumpFrames(100);
    EXPECT_TRUE(recorder.paints.empty());
}

TEST(HexViewPaint, ManyAppendsInOneFrameCostOnePaint) {
    TestMainWindow w;
    CHexView& pane = w.RecvPane();
    const Bytes bytes = Pattern(1024);
    PaintRecorder recorder(pane.m_hWnd);
    recorder.PumpFrames();
    recorder.paints.clear();
    for (int i = 0; i < 500; ++i)
        pane.AppendData(static_cast<std::int64_t>(bytes.size()), bytes.data());
    recorder.PumpFrames();
    EXPECT_EQ(recorder.paints.size(), 1U);
    EXPECT_EQ(pane.GetText(), ExpectedView(pane));
}
