#include "dchandler.h"
#include "dcfixture.h"

#include <gtest/gtest.h>

// Frames a module sends while a setting waits for its acknowledgement.

namespace {

const int kNoTimer = 100000000;   // a period the receive thread never reaches

class DcHandlerAcknowledgement : public ::testing::Test {
protected:
    RuntimeTree tree{ true };
};

} // namespace

TEST_F(DcHandlerAcknowledgement, FramesReadWhileASettingWaitsAreDecodedAfterwards)
{
    SimCanPort peer;
    ASSERT_TRUE(peer.open(tree.root(), "can0"));
    DcHandler h("can0", 1000000, kNoTimer, false);
    ASSERT_EQ(h.open(), 0);
    // A report read brings the module online at the fourth connection check.
    SimFrame report = moduleFrame(3, 16);
    report.data[0] = 100;
    ASSERT_TRUE(peer.send(report));
    float v = 0;
    ASSERT_TRUE(waitFor([&] { return h.getAnalog(3, 0, &v) == 0 && v != 0; }));
    for (int i = 0; i < 4; ++i)
        h.checkconnect();
    ASSERT_EQ(h.getStatus(3, 100), 1);

    // Module 3 answers each command with an alarm frame and then the acknowledgement. The
    // setting holds the link until the acknowledgement, so the alarm is read inside the
    // exchange. The alarm raised is the command's value, so an exchange that timed out (its
    // alarm then read by the receive thread) cannot pass for a kept one.
    std::atomic<bool> stop{ false };
    std::thread module;
    struct Join {
        std::atomic<bool>& stop;
        std::thread& t;
        ~Join()
        {
            stop = true;
            if (t.joinable())
                t.join();
        }
    } join{ stop, module };
    module = std::thread([&] {
        SimFrame f;
        while (!stop)
            if (peer.receive(&f, 10) && f.sa() == 0x11 && f.da() == 0x83 && f.pf() >= 0x60
                && f.pf() <= 0x6F) {
                const int bit = f.word(1);
                SimFrame alarm = moduleFrame(3, 8);
                alarm.data[bit / 8] = uint8_t(1 << (bit % 8));
                SimFrame ack = SimFrame::j1939(6, f.pf(), 0x11, 0x83);
                ack.setWord(0, f.word(0));
                peer.sendBurst({ alarm, ack });
            }
    });
    int kept = -1;
    for (int bit = 1; bit < 40 && kept < 0; ++bit)
        if (h.setting(3, 24, float(bit), 0) == 0)
            kept = bit;
        else
            waitFor([&] { return h.getSettingResult(3) == 0; }, 3000);
    ASSERT_GT(kept, 0) << "no setting was acknowledged";
    EXPECT_TRUE(waitFor([&] { return h.getAlarm(3, kept) == 1; }, 5000)) << "alarm " << kept;
}
