// Removing what a stopped process left on the virtual bus.
#include "virtualcanbackend.h"

#include "runtimetree.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

TEST(VirtualCanBackend, RemovingAProcesssEndpointsSparesOthersAndOtherFiles)
{
    RuntimeTree tree;
    // Sockets as a process would have bound them, and one plain file of the same form.
    auto bindAt = [&](const std::string& rel) {
        const std::string path = tree.path(rel);
        const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
        struct sockaddr_un a = {};
        a.sun_family = AF_UNIX;
        snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        EXPECT_EQ(bind(fd, reinterpret_cast<struct sockaddr*>(&a), sizeof a), 0) << rel;
        close(fd);
    };
    mkdir(tree.path("can").c_str(), 0755);
    mkdir(tree.path("can/can0").c_str(), 0755);
    mkdir(tree.path("can/can1").c_str(), 0755);
    struct Case {
        const char* rel;
        bool socket;
        bool removed;
    } cases[] = {
        { "can/can0/ep-41-1", true, true },
        { "can/can0/ep-41-2", true, true },
        { "can/can1/ep-41-3", true, true },
        { "can/can0/ep-411-1", true, false },
        { "can/can0/ep-4-1", true, false },
        { "can/can0/sim-41-1", true, false },
        { "can/can0/ep-41-notes", false, false },
    };
    for (const Case& c : cases) {
        if (c.socket)
            bindAt(c.rel);
        else
            tree.writeFile(c.rel, "not a socket");
    }
    VirtualCanBackend::removeEndpointsOf(tree.root(), 41);
    for (const Case& c : cases)
        EXPECT_EQ(tree.exists(c.rel), !c.removed) << c.rel;
}
