#include "esf/object.h"
#include "esf/objectaccess.h"

#include <gtest/gtest.h>

namespace {
struct Watcher : esf::Object {
    using Object::Object;
    int told = -1;
    void update(int id) override { told = id; }
};
}

TEST(EsfObjectAccess, NotifyTellsObserversOncePerUpdate)
{
    esf::ObjectAccess a(42);
    Watcher w(1), other(1);
    a.addObserver(&w);
    a.notify();
    EXPECT_EQ(w.told, -1) << "nothing pending";
    a.setUpdate(true);
    a.notify();
    EXPECT_EQ(w.told, 42);
    EXPECT_FALSE(a.getUpdate());
    a.removeObserver(&w);
    w.told = -1;
    a.setUpdate(true);
    a.notify();
    EXPECT_EQ(w.told, -1);
    EXPECT_TRUE(a.check(&w, &other));
    EXPECT_EQ(a.getAll(nullptr, 0), -1);
    EXPECT_EQ(a.get(1), nullptr);
}
