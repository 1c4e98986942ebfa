#include "canhandler.h"
#include "runtimetree.h"
#include "simcanport.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

const char* const kLinkCommands =
    "ifconfig can0 down\n"
    "ip link set can0 up type can bitrate 1000000\n"
    "ifconfig can0 up\n";

// A peer on the same virtual bus, written without any of the handler's code.
struct Bus {
    RuntimeTree tree;
    SimCanPort peer;
    Bus() { EXPECT_TRUE(peer.open(tree.root(), "can0")); }
};

CanFrame frame(int p, int pf, int da, int sa)
{
    CanFrame f;
    memset(&f, 0, sizeof f);
    f.ff = 1;
    f.p = p;
    f.pf = pf;
    f.da = da;
    f.sa = sa;
    f.dlc = 8;
    for (int i = 0; i < 8; ++i)
        f.data[i] = uint8_t(i + 1);
    return f;
}

} // namespace

TEST(CanHandler, OnlyTheFourBitRatesOpen)
{
    RuntimeTree tree;
    CanHandler h(false);
    EXPECT_EQ(h.open("can0", 800000, 1, 5000), -2);
    EXPECT_EQ(h.open(nullptr, 1000000, 1, 5000), -2);
    EXPECT_FALSE(h.isOpen());
    EXPECT_EQ(tree.commands(), "");
    EXPECT_EQ(h.close(), -1);
}

TEST(CanHandler, OpenBringsTheLinkUpOnce)
{
    RuntimeTree tree;
    CanHandler h(false);
    ASSERT_EQ(h.open("can0", 1000000, 1, 5000), 0);
    EXPECT_TRUE(h.isOpen());
    EXPECT_EQ(tree.commands(), kLinkCommands);
    EXPECT_EQ(h.open("can0", 1000000, 1, 5000), 0);
    EXPECT_EQ(tree.commands(), kLinkCommands);
    EXPECT_TRUE(tree.exists("can/can0"));
    EXPECT_EQ(h.close(), 0);
    EXPECT_FALSE(h.isOpen());
}

TEST(CanHandler, NameThatIsNoInterfaceKeepsNoSocketAndRunsNothing)
{
    RuntimeTree tree;
    CanHandler h(false);
    for (const char* name : { "", "can0; reboot", "../can0", "averyveryverylongname" }) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(h.open(name, 500000, 1, 5000), -3) << name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "SIOCGIFINDEX error\n");
        EXPECT_FALSE(h.isOpen());
    }
    EXPECT_EQ(tree.commands(), "");
}

TEST(CanHandler, WithoutRootTheKernelSocketIsTried)
{
    RuntimeTree tree;
    unsetenv("STATIONPANEL_ROOT");
    CanHandler h(false);
    const int r = h.open("can0", 1000000, 1, 5000);
    // This kernel has no CAN sockets (-1); one that has them has no can0 here (-3).
    EXPECT_TRUE(r == -1 || r == -3) << r;
    EXPECT_FALSE(h.isOpen());
    EXPECT_FALSE(tree.exists("bin/commands.log"));
    setenv("STATIONPANEL_ROOT", tree.root().c_str(), 1);
}

TEST(CanHandler, FrameFieldsAreTheIdentifierWord)
{
    CanFrame f = frame(2, 0x60, 0xBF, 0x11);
    unsigned char bytes[16];
    memcpy(bytes, &f, 16);
    EXPECT_EQ(bytes[0], 0x11);
    EXPECT_EQ(bytes[1], 0xBF);
    EXPECT_EQ(bytes[2], 0x60);
    EXPECT_EQ(bytes[3], 0x88);
    EXPECT_EQ(bytes[4], 8);
    EXPECT_EQ(bytes[8], 1);
}

TEST(CanHandler, SendPutsTheHandlersFrameFormatOnTheBus)
{
    Bus bus;
    CanHandler h(false);
    ASSERT_EQ(h.open("can0", 1000000, 1, 5000), 0);
    CanFrame f = frame(2, 0x60, 0xBF, 0x11);
    f.ff = 0;
    EXPECT_EQ(h.send(&f), 16);
    SimFrame got;
    ASSERT_TRUE(bus.peer.receive(&got, 1000));
    EXPECT_TRUE(got.extended);
    EXPECT_EQ(got.id, 0x0860BF11u);
    EXPECT_EQ(got.length, 8);
    EXPECT_EQ(got.data[7], 8);

    CanHandler shortIds(false);
    ASSERT_EQ(shortIds.open("can0", 500000, 0, 5000), 0);
    CanFrame s;
    memset(&s, 0, sizeof s);
    s.sa = 0x05;
    s.da = 0x03;
    s.ff = 1;
    s.dlc = 2;
    EXPECT_EQ(shortIds.send(&s), 16);
    ASSERT_TRUE(bus.peer.receive(&got, 1000));
    EXPECT_FALSE(got.extended);
    EXPECT_EQ(got.id, 0x305u);
    EXPECT_EQ(h.send(nullptr), -2);
}

TEST(CanHandler, ReceiveKeepsOnlyFramesOfItsFormat)
{
    struct Case {
        const char* name;
        unsigned char extended;   // of the handler
        bool frameExtended, remote, error;
        int result;
        const char* printed;
    } cases[] = {
        { "29-bit frame", 1, true, false, false, 16, "" },
        { "11-bit frame on a 29-bit handler", 1, false, false, false, -8, "ERROR_NOTSUPPORT\n" },
        { "29-bit frame on an 11-bit handler", 0, true, false, false, -8, "ERROR_NOTSUPPORT\n" },
        { "11-bit frame", 0, false, false, false, 16, "" },
        { "remote request", 1, true, true, false, -8, "ERROR_NOTSUPPORT\n" },
        { "error frame", 1, true, false, true, -5, "ERROR_FRAME\n" },
    };
    for (const Case& c : cases) {
        Bus bus;
        CanHandler h(false);
        ASSERT_EQ(h.open("can0", 250000, c.extended, 5000), 0) << c.name;
        SimFrame f = SimFrame::j1939(6, 0x12, 0x34, 0x91);
        if (!c.frameExtended)
            f.id = 0x1A5;
        f.extended = c.frameExtended;
        f.remote = c.remote;
        f.error = c.error;
        f.data[0] = 0xAB;
        ASSERT_TRUE(bus.peer.send(f)) << c.name;
        ASSERT_EQ(h.waitReadable(1000), 0) << c.name;
        CanFrame got;
        testing::internal::CaptureStdout();
        EXPECT_EQ(h.recv(&got), c.result) << c.name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.name;
        if (c.result == 16) {
            EXPECT_EQ(got.data[0], 0xAB) << c.name;
            EXPECT_EQ(got.dlc, 8) << c.name;
            if (c.frameExtended) {
                EXPECT_EQ(got.p, 6);
                EXPECT_EQ(got.pf, 0x12);
                EXPECT_EQ(got.da, 0x34);
                EXPECT_EQ(got.sa, 0x91);
            }
        }
    }
}

TEST(CanHandler, AFloodOfFramesOfTheOtherFormatLogsOneLineASecond)
{
    TimeSeam::useFakeClock(true);
    Bus bus;
    CanHandler h(false);
    ASSERT_EQ(h.open("can0", 250000, 1, 5000), 0);
    auto flood = [&](int frames) {
        testing::internal::CaptureStdout();
        for (int i = 0; i < frames; ++i) {
            SimFrame f = SimFrame::j1939(6, 0x12, 0x34, 0x91);
            f.id = 0x1A5;
            f.extended = false;
            EXPECT_TRUE(bus.peer.send(f));
            EXPECT_EQ(h.waitReadable(1000), 0);
            CanFrame got;
            EXPECT_EQ(h.recv(&got), -8);
        }
        return testing::internal::GetCapturedStdout();
    };
    EXPECT_EQ(flood(100), "ERROR_NOTSUPPORT\n");
    TimeSeam::advanceMs(999);
    EXPECT_EQ(flood(10), "");
    TimeSeam::advanceMs(1);
    EXPECT_EQ(flood(5), "ERROR_NOTSUPPORT (109 more not shown)\n");
    TimeSeam::advanceMs(1000);
    EXPECT_EQ(flood(1), "ERROR_NOTSUPPORT (4 more not shown)\n");
    TimeSeam::advanceMs(1000);
    EXPECT_EQ(flood(1), "ERROR_NOTSUPPORT\n") << "a quiet second starts afresh";
    TimeSeam::useFakeClock(false);
}

TEST(CanHandler, NothingWaitingIsNotAnError)
{
    Bus bus;
    CanHandler h(false);
    CanFrame f;
    EXPECT_EQ(h.recv(&f), -1);
    EXPECT_EQ(h.send(&f), -1);
    ASSERT_EQ(h.open("can0", 1000000, 1, 5000), 0);
    EXPECT_EQ(h.recv(&f), -4);
    EXPECT_EQ(h.recv(nullptr), -2);
    // A datagram that is no frame reads as nothing.
    ASSERT_TRUE(bus.peer.sendBytes("short", 5));
    ASSERT_EQ(h.waitReadable(1000), 0);
    EXPECT_EQ(h.recv(&f), -4);
    EXPECT_EQ(h.recv(&f), -4);
}

TEST(CanHandler, WaitReadableTimesOutAndSeesFrames)
{
    Bus bus;
    CanHandler h(false);
    EXPECT_EQ(h.waitReadable(10), -1);
    ASSERT_EQ(h.open("can0", 1000000, 1, 5000), 0);
    EXPECT_EQ(h.waitReadable(0), -6);
    EXPECT_EQ(h.waitReadable(-5), -6);
    EXPECT_EQ(h.waitReadable(30), -6);
    EXPECT_EQ(h.waitWritable(30), 0);
    ASSERT_TRUE(bus.peer.send(SimFrame::j1939(3, 1, 0x7F, 0x81)));
    EXPECT_EQ(h.waitReadable(1000), 0);
}

// A kernel CAN socket holds a few hundred frames: a burst longer than a Unix socket's queue still
// reaches a listener that is late to read, in both directions and in order.
TEST(CanHandler, BurstLongerThanAPeersQueueArrivesWhole)
{
    Bus bus;
    CanHandler h(false);
    ASSERT_EQ(h.open("can0", 1000000, 1, 5000), 0);
    const int n = 40;
    std::thread toPeer([&] {
        CanFrame f = frame(2, 0x60, 0xBF, 0x11);
        for (int i = 0; i < n; ++i) {
            f.data[0] = uint8_t(i);
            EXPECT_EQ(h.send(&f), 16) << i;
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    int got = 0;
    SimFrame in;
    while (got < n && bus.peer.receive(&in, 5000) && in.data[0] == got)
        ++got;
    toPeer.join();
    EXPECT_EQ(got, n);

    std::thread fromPeer([&] {
        for (int i = 0; i < n; ++i) {
            SimFrame f = SimFrame::j1939(3, 1, 0x7F, 0x81);
            f.data[0] = uint8_t(i);
            EXPECT_TRUE(bus.peer.send(f)) << i;
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    got = 0;
    CanFrame f;
    while (got < n && h.waitReadable(5000) == 0 && h.recv(&f) == 16 && f.data[0] == got)
        ++got;
    fromPeer.join();
    EXPECT_EQ(got, n);
}

// A burst sent as one datagram is read a frame at a time, in order; the frames still held count
// as input waiting even though the socket itself is empty.
TEST(CanHandler, ABurstInOneDatagramIsReadFrameByFrame)
{
    Bus bus;
    CanHandler h(false);
    ASSERT_EQ(h.open("can0", 1000000, 1, 5000), 0);
    std::vector<SimFrame> burst;
    for (int i = 0; i < 300; ++i) {
        SimFrame f = SimFrame::j1939(3, 0x10 + i % 8, 0x7F, 0x81 + i % 10);
        f.data[0] = uint8_t(i);
        burst.push_back(f);
    }
    ASSERT_TRUE(bus.peer.sendBurst(burst));
    ASSERT_TRUE(bus.peer.send(SimFrame::j1939(3, 0x30, 0x7F, 0x85)));
    int got = 0;
    CanFrame f;
    while (got < 300 && h.waitReadable(5000) == 0 && h.recv(&f) == 16 && f.data[0] == uint8_t(got)
        && f.pf == 0x10 + got % 8 && f.sa == 0x81 + got % 10)
        ++got;
    EXPECT_EQ(got, 300);
    ASSERT_EQ(h.waitReadable(5000), 0);
    EXPECT_EQ(h.recv(&f), 16);
    EXPECT_EQ(f.pf, 0x30) << "the single frame after the burst";
    EXPECT_EQ(h.recv(&f), -4);

    // Bytes that are not a whole number of frames are no frames at all.
    char odd[20] = {};
    ASSERT_TRUE(bus.peer.sendBytes(odd, sizeof odd));
    ASSERT_EQ(h.waitReadable(5000), 0);
    EXPECT_EQ(h.recv(&f), -4);
    EXPECT_EQ(h.recv(&f), -4);
}

// A receive thread waits on a quiet bus for long stretches; its owner's close() must not have
// to sit those out.
TEST(CanHandler, InterruptEndsAWaitForInput)
{
    Bus bus;
    CanHandler h(false);
    ASSERT_EQ(h.open("can0", 1000000, 1, 5000), 0);
    h.interrupt();
    EXPECT_EQ(h.waitReadable(60000), -6) << "an interrupt before the wait ends the next one";

    std::atomic<int> result(1);
    std::thread waiter([&] { result = h.waitReadable(60000); });
    h.interrupt();
    for (int k = 0; k < 1000 && result == 1; ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(result, -6) << "the wait did not end";
    if (result == 1) {
        EXPECT_TRUE(bus.peer.send(SimFrame::j1939(3, 1, 0x7F, 0x81)));   // so that join returns
    }
    waiter.join();

    // Input that arrives meanwhile still reads as input.
    ASSERT_TRUE(bus.peer.send(SimFrame::j1939(3, 1, 0x7F, 0x81)));
    EXPECT_EQ(h.waitReadable(5000), 0);
    EXPECT_EQ(h.waitWritable(5000), 0);
}

TEST(CanHandler, TraceLinesShowTimeAndFields)
{
    Bus bus;
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1563192688);   // 20:11:28 in the test time zone
    TimeSeam::advanceMs(7);
    CanHandler h(true);
    ASSERT_EQ(h.open("can0", 1000000, 1, 5000), 0);
    CanFrame f = frame(2, 0x60, 0xBF, 0x11);
    f.dlc = 3;
    testing::internal::CaptureStdout();
    EXPECT_EQ(h.send(&f), 16);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
        "20:11:28.007  Tx:  ff=01 rtr=00 err=00 p=02 dp=00 edp=00 pf=60 da=BF sa=11 [0]=01 [1]=02 [2]=03 \n");

    SimFrame in = SimFrame::j1939(3, 0x10, 0x7F, 0x85);
    in.length = 1;
    in.data[0] = 0x5A;
    ASSERT_TRUE(bus.peer.send(in));
    ASSERT_EQ(h.waitReadable(1000), 0);
    testing::internal::CaptureStdout();
    CanFrame got;
    EXPECT_EQ(h.recv(&got), 16);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
        "20:11:28.007  Rx:  ff=01 rtr=00 err=00 p=03 dp=00 edp=00 pf=10 da=7F sa=85 [0]=5A \n");
    TimeSeam::useFakeClock(false);
}

TEST(CanHandler, SleepAndClockGoThroughTheTimeSeam)
{
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1563192688);
    CanHandler h(false);
    const int64_t before = TimeSeam::monotonicMs();
    EXPECT_EQ(h.sleep(12000), 0);
    EXPECT_EQ(TimeSeam::monotonicMs() - before, 12000);
    EXPECT_EQ(CanHandler::getCurrentTimeMillis(), 1563192688000.0 + 12000);
    TimeSeam::useFakeClock(false);
}
