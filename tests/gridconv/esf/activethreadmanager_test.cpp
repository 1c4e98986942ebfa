#include "esf/activethread.h"
#include "esf/activethreadmanager.h"
#include "esf/event.h"
#include "timeseam.h"

#include <gtest/gtest.h>

namespace {
struct Beating : esf::ActiveThread {
    Beating() : ActiveThread("beating") {}
    std::atomic<bool> beat{ true };
    std::atomic<int> passes{ 0 };
    void run() override
    {
        while (!isQuit()) {
            if (beat)
                heartbeat();
            ++passes;
            TimeSeam::sleepMs(1);
        }
    }
    // Waits for two more passes of the loop, so that one begun before the call is over.
    bool twoPasses()
    {
        const int from = passes;
        for (int i = 0; i < 5000 && passes < from + 2; ++i)
            TimeSeam::sleepMs(1);
        return passes >= from + 2;
    }
};
}

TEST(EsfActiveThreadManager, ASilentThreadIsReported)
{
    Beating t;
    ASSERT_EQ(t.start(), 1);
    esf::ActiveThreadManager* m = esf::ActiveThreadManager::instance();
    EXPECT_EQ(m, esf::ActiveThreadManager::instance());
    ASSERT_TRUE(t.twoPasses());
    EXPECT_EQ(m->checkOnce(), 1);
    t.beat = false;
    ASSERT_TRUE(t.twoPasses());
    t.checkHeartbeat();
    testing::internal::CaptureStderr();
    EXPECT_EQ(m->checkOnce(), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("The beating ["), std::string::npos);
    EXPECT_FALSE(m->healthy());
    t.stop();

    t.push(new esf::Event(7));
    esf::Event* e = t.pop();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->getId(), 7);
    t.destroy(e);
    t.post(new esf::Event(8));
    e = t.create();
    ASSERT_NE(e, nullptr);
    t.destroy(e);
}
