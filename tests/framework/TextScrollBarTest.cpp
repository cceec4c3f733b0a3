// The text controls' scroll bar: states that would look the same are held
// back, and the user always acts on the state set last.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include "framework/qt/TextScrollBar.h"

namespace {

constexpr int kLong = 1000000;  // lines enough for the thumb's smallest size

struct Bar {
    Bar() : bar(new TextScrollBar(&owner)) {
        owner.resize(40, 300);
        bar->setGeometry(0, 0, 16, 300);
        owner.show();
    }
    // A press in the middle of the groove, as the user makes it.
    void Press() {
        const QPointF at(8, 150);
        QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, bar->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &release);
    }
    QWidget owner;
    TextScrollBar* bar;
};

}  // namespace

TEST(TextScrollBar, AGrowingBufferAtItsEndKeepsTheBarUntilTheUserPressesIt) {
    Bar b;
    b.bar->SetState(true, true, 0, kLong, 30, kLong);
    ASSERT_EQ(b.bar->maximum(), kLong) << "a change from nothing to scroll shows at once";
    // More lines, the view still at the end: the thumb stays where it is.
    b.bar->SetState(true, true, 0, kLong + 50, 30, kLong + 50);
    EXPECT_EQ(b.bar->maximum(), kLong);
    EXPECT_EQ(b.bar->value(), kLong);
    b.Press();
    EXPECT_EQ(b.bar->minimum(), 0);
    EXPECT_GE(b.bar->maximum(), kLong + 50) << "the press acts on the state set last";
}

TEST(TextScrollBar, StatesThatMoveTheThumbOrChangeItsLookShowAtOnce) {
    Bar b;
    b.bar->SetState(true, true, 0, kLong, 30, kLong);
    b.bar->SetState(true, true, 0, kLong, 30, 0);
    EXPECT_EQ(b.bar->value(), 0) << "scrolled to the top";
    b.bar->SetState(true, false, 0, kLong, 30, 0);
    EXPECT_FALSE(b.bar->isEnabled()) << "the owner disabled";
    b.bar->SetState(false, true, 0, 0, 30, 0);
    EXPECT_FALSE(b.bar->isEnabled()) << "nothing to scroll";
    EXPECT_EQ(b.bar->maximum(), 0);
    b.bar->SetState(true, true, 0, 10, 5, 3);
    EXPECT_TRUE(b.bar->isEnabled());
    EXPECT_EQ(b.bar->maximum(), 10);
    EXPECT_EQ(b.bar->value(), 3);
}

TEST(TextScrollBar, AThumbTheUserMovedIsPutBackWhereTheOwnerSaysItStands) {
    Bar b;
    b.bar->SetState(true, true, 0, 100, 10, 0);
    // The user moves the thumb; the owner refuses and keeps the view at 0.
    b.bar->setValue(60);
    b.bar->SetState(true, true, 0, 100, 10, 0);
    EXPECT_EQ(b.bar->value(), 0);
}

TEST(TextScrollBar, ThePositionStaysUnderTheMouseWhileTheUserDragsTheThumb) {
    Bar b;
    b.bar->SetState(true, true, 0, 100, 10, 20);
    b.bar->setSliderDown(true);
    b.bar->setSliderPosition(70);
    b.bar->SetState(true, true, 0, 200, 10, 20);
    EXPECT_EQ(b.bar->sliderPosition(), 70);
    EXPECT_EQ(b.bar->maximum(), 200);
    b.bar->setSliderDown(false);
}
