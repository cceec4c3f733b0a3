// What a pane repaints: only the rows whose look changed, at most once a
// frame, and nothing when nothing changed.

#include <gtest/gtest.h>

#include <QEvent>
#include <QPaintEvent>
#include <QRegion>
#include <QScrollBar>
#include <QWidget>

#include "panes/HexPaneSupport.h"

using namespace hexpane;

namespace {

// Records the regions the toolkit paints of a pane's text. (The toolkit
// also paints the pane beneath its scroll bar when the bar changes.)
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* widget) : m_widget(widget) { widget->installEventFilter(this); }
    ~PaintRecorder() override {
        if (m_widget) m_widget->removeEventFilter(this);
    }
    std::vector<QRegion> paints;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_widget && event->type() == QEvent::Paint) {
            QRegion text = static_cast<QPaintEvent*>(event)->region();
            if (const auto* bar = m_widget->findChild<QScrollBar*>()) text -= bar->geometry();
            if (!text.isEmpty()) paints.push_back(text);
        }
        return false;
    }

private:
    QWidget* m_widget;
};

// Pumps until the widget has painted or a few frames have passed.
void PumpFrames(PaintRecorder& recorder, int ms = 200) {
    AfxPumpUntil([&] { return !recorder.paints.empty(); }, ms);
    // A second request in the same frame would show up now.
    AfxPumpUntil([] { return false; }, 40);
}

int RowTop(const CHexView& pane, long row) { return pane.PosFromChar(row * kRow).y; }

}  // namespace

TEST(HexViewPaint, AnAppendThatChangesTheLastRowRepaintsThatRowAlone) {
    TestMainWindow w;
    CHexView& pane = w.dlg.m_recvView;
    const Bytes first = Pattern(20);
    pane.AppendData(static_cast<std::int64_t>(first.size()), first.data());
    PaintRecorder recorder(pane.m_hWnd);
    PumpFrames(recorder);
    recorder.paints.clear();

    // Bytes 20 to 22 stand on the second line; the first line stays as it was.
    pane.AppendData(3, first.data());
    PumpFrames(recorder);
    ASSERT_EQ(recorder.paints.size(), 1U);
    const QRect painted = recorder.paints.front().boundingRect();
    EXPECT_GE(painted.top(), RowTop(pane, 1));
    EXPECT_LE(painted.bottom(), RowTop(pane, 2) - 1);
    EXPECT_EQ(Row(pane, 1), DumpLine(pane, 1));
}

TEST(HexViewPaint, AScrolledViewRepaintsEveryRowAndAnUnchangedOneNothing) {
    TestMainWindow w;
    CHexView& pane = w.dlg.m_recvView;
    const Bytes bytes = Pattern(16 * 200);
    pane.AppendData(static_cast<std::int64_t>(bytes.size()), bytes.data());
    PaintRecorder recorder(pane.m_hWnd);
    PumpFrames(recorder);
    recorder.paints.clear();

    // A new line scrolls the view: every row shows another line.
    pane.AppendData(16, bytes.data());
    PumpFrames(recorder);
    ASSERT_FALSE(recorder.paints.empty());
    QRegion all;
    for (const QRegion& r : recorder.paints) all += r;
    EXPECT_LE(all.boundingRect().top(), RowTop(pane, 0));
    EXPECT_GE(all.boundingRect().bottom(), RowTop(pane, pane.GetPageLines()) - 1);

    // An append of nothing at the end of the buffer changes no row.
    recorder.paints.clear();
    pane.AppendData(0, bytes.data());
    PumpFrames(recorder, 100);
    EXPECT_TRUE(recorder.paints.empty());
}

TEST(HexViewPaint, ManyAppendsInOneFrameCostOnePaint) {
    TestMainWindow w;
    CHexView& pane = w.dlg.m_recvView;
    const Bytes bytes = Pattern(1024);
    PaintRecorder recorder(pane.m_hWnd);
    PumpFrames(recorder);
    recorder.paints.clear();
    for (int i = 0; i < 500; ++i) pane.AppendData(static_cast<std::int64_t>(bytes.size()), bytes.data());
    PumpFrames(recorder);
    EXPECT_EQ(recorder.paints.size(), 1U);
    EXPECT_EQ(pane.GetText(), ExpectedView(pane));
}
