// The receive errors' reports: one run at a time, repeats summed by kind in
// the order the kinds first came.

#include <gtest/gtest.h>

#include <cerrno>

#include "net/ReceiveErrorReports.h"

TEST(ReceiveErrorReports, ErrorsDuringARunAreSummedByKindIntoItsNextReports) {
    CReceiveErrorReports reports;
    EXPECT_TRUE(reports.Add(EMSGSIZE));  // starts a run
    EXPECT_FALSE(reports.Add(EMSGSIZE));
    auto first = reports.Next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->error, EMSGSIZE);
    EXPECT_EQ(first->count, 2);

    // While the first box is open.
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(reports.Add(EMSGSIZE));
    EXPECT_FALSE(reports.Add(ECONNREFUSED));
    EXPECT_FALSE(reports.Add(EMSGSIZE));
    auto second = reports.Next();
    auto third = reports.Next();
    ASSERT_TRUE(second && third);
    EXPECT_EQ(second->error, EMSGSIZE);
    EXPECT_EQ(second->count, 6);
    EXPECT_EQ(third->error, ECONNREFUSED);
    EXPECT_EQ(third->count, 1);
    EXPECT_FALSE(reports.Next());  // the run ends

    EXPECT_TRUE(reports.Add(ECONNREFUSED));  // and the next error starts another
}
