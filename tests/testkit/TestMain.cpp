// The entry point of every test program: the toolkit must exist before any
// window or socket notifier is made.

#include <gtest/gtest.h>

#include <QApplication>

#include "framework/Resources.h"
#include "res/Resources.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    SetResourceTables(&VelmoraResources());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
