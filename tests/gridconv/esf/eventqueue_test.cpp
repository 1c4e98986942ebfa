#include "esf/event.h"
#include "esf/eventqueue.h"

#include <gtest/gtest.h>

TEST(EsfEventQueue, KeepsTheNewestHundredInOrder)
{
    esf::EventQueue q;
    EXPECT_TRUE(q.empty());
    EXPECT_EQ(q.pop(), nullptr);
    for (int i = 0; i < 105; ++i)
        q.push(new esf::Event(i));
    EXPECT_EQ(q.size(), 100);
    esf::Event* e = q.pop();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->getId(), 5);
    delete e;
    q.clear();
    EXPECT_TRUE(q.empty());
}
