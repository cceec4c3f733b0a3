// The progress window itself, run modally over a task whose steps look at
// the window: the count and the bar follow the task, events are served
// between two steps, Enter does not end the run, Cancel does.

#include "framework/qt/ProgressDlg.h"

#include <gtest/gtest.h>

#include <functional>

#include "framework/testing/EventPump.h"
#include "framework/testing/InputSimulation.h"

namespace {

constexpr int IDC_PROGRESS_BAR = 1002;
constexpr int IDC_PROGRESS_COUNT = 1003;

// A task of `total` steps of one byte each; `onStep` runs in each step
// before it counts.
struct CountingTask : IProgressTask {
    explicit CountingTask(int steps) : total(steps) {}
    bool Step() override {
        if (onStep) onStep(done);
        ++done;
        return done < total;
    }
    [[nodiscard]] std::int64_t Done() const override { return done; }
    [[nodiscard]] std::int64_t Total() const override { return total; }

    std::int64_t done = 0;
    std::int64_t total;
    std::function<void(std::int64_t)> onStep;
};

const ProgressRequest kRequest{"Load", "Loading /tmp/x.bin", "%1 of %2 bytes", "Cancel", nullptr};

}  // namespace

TEST(ProgressDlg, RunsEveryStepWithEventsBetweenThemAndShowsTheCount) {
    CountingTask task(6);
    CProgressDlg dlg(kRequest, task);
    bool posted = false;
    bool servedBetweenSteps = false;
    std::string countAtThird;
    int barAtThird = -1;
    task.onStep = [&](std::int64_t step) {
        if (step == 1) PostCall([&] { posted = true; });
        if (step == 2) servedBetweenSteps = posted;
        if (step == 3) {
            countAtThird = dlg.GetDlgItem(IDC_PROGRESS_COUNT)->GetWindowText();
            barAtThird = dynamic_cast<CProgressCtrl*>(dlg.GetDlgItem(IDC_PROGRESS_BAR))->GetPos();
            // Enter would end an ordinary dialog with IDOK.
            SimulateKey(&dlg, VK_RETURN, "\r");
            EXPECT_EQ(dlg.GetWindowText(), "Load");
        }
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(task.done, 6);
    EXPECT_TRUE(servedBetweenSteps);
    EXPECT_EQ(countAtThird, "3 of 6 bytes");
    EXPECT_EQ(barAtThird, 3 * CProgressDlg::kBarRange / 6);
}

TEST(ProgressDlg, CancelStopsTheTaskBeforeItsNextStep) {
    CountingTask task(1000);
    CProgressDlg dlg(kRequest, task);
    task.onStep = [&](std::int64_t step) {
        if (step == 4) dynamic_cast<CButton*>(dlg.GetDlgItem(IDCANCEL))->Click();
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(task.done, 5);
}
