#include "filecopy.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <future>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> entries(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const struct dirent* e = readdir(d))
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Binds a Unix socket under path; the descriptor stays open for the test.
int socketAt(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un a = {};
    a.sun_family = AF_UNIX;
    strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const struct sockaddr*>(&a), sizeof a) != 0)
        ADD_FAILURE() << "cannot bind " << path;
    return fd;
}

// copyFromStick, but a FIFO's open that waits for a writer is freed after a while, so a copy that
// would hang fails the test instead of stopping the suite.
int copyOrUnblock(const std::string& from, const std::string& to, long long limit, bool* hung)
{
    auto copy = std::async(std::launch::async, [&] { return copyFromStick(from, to, limit); });
    *hung = copy.wait_for(std::chrono::seconds(5)) != std::future_status::ready;
    if (*hung) {
        struct stat st;
        if (::lstat(from.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
            const int w = ::open(from.c_str(), O_WRONLY | O_NONBLOCK);
            if (w >= 0)
                ::close(w);
        }
    }
    return copy.get();
}

} // namespace

TEST(FileCopy, OnlyARegularFileWithinTheLimitComesOffTheStick)
{
    RuntimeTree tree;
    const long long limit = 4096;
    tree.writeFile("udisk/fw_AC.hex", ":00000001FF\n");
    tree.writeFile("udisk/full.hex", std::string(limit, 'A'));
    tree.writeFile("udisk/over.hex", std::string(limit + 1, 'A'));
    ASSERT_EQ(::mkfifo(tree.path("udisk/dcac_x.hex").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("/dev/zero", tree.path("udisk/zero_AC.hex").c_str()), 0);
    ASSERT_EQ(::symlink("fw_AC.hex", tree.path("udisk/link_AC.hex").c_str()), 0);
    ASSERT_EQ(::mkdir(tree.path("udisk/dir_AC.hex").c_str(), 0755), 0);
    const int sock = socketAt(tree.path("udisk/sock_AC.hex"));

    struct Case {
        const char* name;
        const char* file;
        int result;
        std::string copied;   // the target's content when copied
    };
    const Case cases[] = {
        { "regular file", "fw_AC.hex", 0, ":00000001FF\n" },
        { "exactly the limit", "full.hex", 0, std::string(limit, 'A') },
        { "one byte too large", "over.hex", COPY_TOO_LARGE, "" },
        { "FIFO", "dcac_x.hex", COPY_NOT_REGULAR, "" },
        { "link to a device", "zero_AC.hex", COPY_NOT_REGULAR, "" },
        { "link to a regular file", "link_AC.hex", COPY_NOT_REGULAR, "" },
        { "directory", "dir_AC.hex", COPY_NOT_REGULAR, "" },
        { "socket", "sock_AC.hex", COPY_NOT_REGULAR, "" },
        { "missing", "none_AC.hex", -1, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string to = tree.path("tmp/") + c.file;
        bool hung = false;
        EXPECT_EQ(copyOrUnblock(tree.path("udisk/") + c.file, to, limit, &hung), c.result);
        EXPECT_FALSE(hung) << "the copy waited on the file";
        if (c.result == 0) {
            EXPECT_EQ(tree.readFile(std::string("tmp/") + c.file), c.copied);
            EXPECT_EQ(entries(tree.path("tmp")), std::vector<std::string>{ c.file });
        } else {
            EXPECT_EQ(entries(tree.path("tmp")), std::vector<std::string>{}) << "nothing may be left";
        }
        ::unlink(to.c_str());
    }
    ::close(sock);
}

TEST(FileCopy, AFailedCopyLeavesNoTemporaryFile)
{
    RuntimeTree tree;
    tree.writeFile("udisk/fw_AC.hex", "firmware");
    // A directory under the target's name: the copy is written, then cannot take the name.
    ASSERT_EQ(::mkdir(tree.path("tmp/fw_AC.hex").c_str(), 0755), 0);
    EXPECT_EQ(copyWhole(tree.path("udisk/fw_AC.hex"), tree.path("tmp/fw_AC.hex")), -1);
    EXPECT_EQ(copyFromStick(tree.path("udisk/fw_AC.hex"), tree.path("tmp/fw_AC.hex"), 1 << 20), -1);
    EXPECT_EQ(entries(tree.path("tmp")), std::vector<std::string>{ "fw_AC.hex" });
    // An older copy under the name stays as it was when a new one fails.
    tree.writeFile("tmp/logo.png", "old logo");
    EXPECT_EQ(copyFromStick(tree.path("udisk/none.png"), tree.path("tmp/logo.png"), 1 << 20), -1);
    EXPECT_EQ(tree.readFile("tmp/logo.png"), "old logo");
}

TEST(FileCopy, ACopyKilledHalfWayLeavesNoTemporaryFile)
{
    RuntimeTree tree;
    tree.writeFile("udisk/fw_AC.hex", std::string(1 << 20, 'A'));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The file size limit kills the copy with SIGXFSZ in the middle of its writes.
        struct rlimit none = { 0, 0 };
        setrlimit(RLIMIT_CORE, &none);
        struct rlimit small = { 64 * 1024, 64 * 1024 };
        setrlimit(RLIMIT_FSIZE, &small);
        copyWhole(tree.path("udisk/fw_AC.hex"), tree.path("tmp/fw_AC.hex"));
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the copy was to be killed, status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(entries(tree.path("tmp")), std::vector<std::string>{});
}

TEST(FileCopy, CopyWholeReplacesTheTargetAndKeepsTheModes)
{
    RuntimeTree tree;
    tree.writeFile("bin/log.dat", "new");
    ::chmod(tree.path("bin/log.dat").c_str(), 0640);
    tree.writeFile("udisk/log.dat", "old and longer");
    EXPECT_EQ(copyWhole(tree.path("bin/log.dat"), tree.path("udisk/log.dat")), 0);
    EXPECT_EQ(tree.readFile("udisk/log.dat"), "new");
    struct stat st;
    ASSERT_EQ(::stat(tree.path("udisk/log.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(tree.path("udisk")), std::vector<std::string>{ "log.dat" });
}
