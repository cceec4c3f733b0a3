// CHostLookup: answers come from the event loop, once, and only for the
// lookup still wanted; the object may go, or start again, at any time.

#include <gtest/gtest.h>

#include <netdb.h>

#include <memory>
#include <vector>

#include "framework/HostLookup.h"
#include "framework/SocketApi.h"
#include "framework/testing/EventPump.h"
#include "testkit/ScriptedLookups.h"

namespace {

struct Answer {
    int tag;
    int error;
    std::uint32_t address;
};

bool AllAnswersBack() {
    return PumpUntil([] { return HostLookupsInFlight() == 0; });
}

}  // namespace

TEST(HostLookup, SystemAnswerComesFromTheEventLoopNeverFromStart) {
    std::vector<Answer> answers;
    CHostLookup lookup;
    // Address text: the system's resolver answers without a name service.
    lookup.Start("127.0.0.3", [&](int error, std::uint32_t address) {
        answers.push_back({0, error, address});
    });
    EXPECT_TRUE(lookup.IsPending());
    EXPECT_TRUE(answers.empty());
    ASSERT_TRUE(PumpUntil([&] { return !answers.empty(); }));
    ASSERT_TRUE(AllAnswersBack());
    ASSERT_EQ(answers.size(), 1U);
    EXPECT_EQ(answers[0].error, 0);
    EXPECT_EQ(answers[0].address, InetAddr("127.0.0.3"));
    EXPECT_FALSE(lookup.IsPending());
}

TEST(HostLookup, OnlyTheLookupStillWantedIsAnswered) {
    ScriptedLookups names;
    std::vector<Answer> answers;
    const auto record = [&](int tag) {
        return [&answers, tag](int error, std::uint32_t address) {
            answers.push_back({tag, error, address});
        };
    };
    CHostLookup lookup;
    lookup.Start("first", record(1));
    lookup.Start("second", record(2));  // replaces the first
    auto gone = std::make_unique<CHostLookup>();
    gone->Start("third", record(3));
    CHostLookup cancelled;
    cancelled.Start("fourth", record(4));
    ASSERT_TRUE(names.WaitForCount(4));

    gone.reset();
    cancelled.Cancel();
    EXPECT_FALSE(cancelled.IsPending());
    // The threads ask in whatever order they run; each name gets its own address.
    for (int i = 0; i < 4; ++i) {
        names.Answer(i, names.Name(i) == "second" ? "10.0.0.2" : "10.0.0.9");
    }
    ASSERT_TRUE(AllAnswersBack());
    ASSERT_EQ(answers.size(), 1U);
    EXPECT_EQ(answers[0].tag, 2);
    EXPECT_EQ(answers[0].error, 0);
    EXPECT_EQ(answers[0].address, InetAddr("10.0.0.2"));
}

TEST(HostLookup, HandlerMayStartTheNextLookupOrFail) {
    ScriptedLookups names;
    std::vector<Answer> answers;
    CHostLookup lookup;
    lookup.Start("again", [&](int error, std::uint32_t address) {
        answers.push_back({1, error, address});
        lookup.Start("next", [&](int nextError, std::uint32_t nextAddress) {
            answers.push_back({2, nextError, nextAddress});
        });
    });
    ASSERT_TRUE(names.WaitForCount(1));
    names.Fail(0, ResolverErrorCode(EAI_NONAME));
    ASSERT_TRUE(names.WaitForCount(2));
    EXPECT_TRUE(lookup.IsPending());
    names.Answer(1, "127.0.0.1");
    ASSERT_TRUE(AllAnswersBack());
    ASSERT_EQ(answers.size(), 2U);
    EXPECT_EQ(answers[0].error, ResolverErrorCode(EAI_NONAME));
    EXPECT_EQ(answers[1].error, 0);
    EXPECT_EQ(answers[1].address, InetAddr("127.0.0.1"));
}
