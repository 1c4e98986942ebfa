#include "esf/activethread.h"
#include "esf/activethreadmanager.h"
#include "esf/event.h"
#include "timeseam.h"

#include <gtest/gtest.h>

namespace {
struct Beating : esf::ActiveThread {
    Beating() : ActiveThread("beating") {}
    std::atomic<bool> beat{ true };
    void run() override
    {
        while (!isQuit()) {
            if (beat)
                heartbeat();
            TimeSeam::sleepMs(1);
        }
    }
};
}

TEST(EsfActiveThreadManager, ASilentThreadIsReported)
{
    Beating t;
    ASSERT_EQ(t.start(), 1);
    esf::ActiveThreadManager* m = esf::ActiveThreadManager::instance();
    EXPECT_EQ(m, esf::ActiveThreadManager::instance());
    TimeSeam::sleepMs(20);
    EXPECT_EQ(m->checkOnce(), 1);
    t.beat = false;
    TimeSeam::sleepMs(20);
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
