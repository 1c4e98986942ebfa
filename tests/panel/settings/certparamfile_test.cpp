#include "certparamfile.h"

#include "nametables.h"
#include "paramfile.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A parameter file whose line k reads "k/0000009999", so that every written line shows.
std::string paramFile(int lines)
{
    std::string s;
    char line[32];
    for (int k = 0; k < lines; ++k) {
        std::snprintf(line, sizeof line, "%04d/0000009999\n", k);
        s += line;
    }
    return s;
}

std::string lineOf(const std::string& file, int k)
{
    return size_t(k + 1) * 16 <= file.size() ? file.substr(size_t(k) * 16, 16) : std::string();
}

// Grid-code rows as the certification switch-over loads them: each (AC/DC index, default).
struct Rows {
    UiRzData rows[UI_RZ_ROWS];
    unsigned char loaded[UI_RZ_ROWS];

    Rows(std::initializer_list<std::pair<int, float>> list)
    {
        memset(rows, 0, sizeof rows);
        memset(loaded, 0, sizeof loaded);
        int r = 0;
        for (const auto& p : list) {
            rows[r].acIdx = p.first;
            rows[r].stsIdx = -1;
            rows[r].defaultValue = p.second;
            loaded[r++] = 1;
        }
    }
    int patch(const std::string& path) const { return CertParamFile::patch(path, CertParamFile::AcDc, rows, loaded); }
};

TEST(CertParamFile, ARowOnTheLastLineIsPatchedOneBeyondItIsNot)
{
    RuntimeTree tree;
    tree.writeFile("conf/param_0.ini", paramFile(20));
    const Rows rows = { { 19, 2.5f }, { 20, 1.0f }, { 0, 0.5f } };
    EXPECT_EQ(rows.patch("../conf/param_0.ini"), 2);
    std::string want = paramFile(20);
    want.replace(19 * 16, 16, "0019/0000002500\n");
    want.replace(0, 16, "0000/0000000500\n");
    EXPECT_EQ(tree.readFile("conf/param_0.ini"), want);
    EXPECT_FALSE(tree.exists("conf/param_1.ini.lock")) << "a missing file gets no lock file";
    EXPECT_EQ(rows.patch("../conf/param_1.ini"), -1);
    EXPECT_FALSE(tree.exists("conf/param_1.ini.lock"));
}

// The library's parameter thread writes line 71 (the standard just sent to the modules) while
// the switch-over patches the file: both writers start together, the library's in a thread of
// this process (as libgridconv runs in the program) or in a process of its own (so that no lock
// private to one copy of the code can pass for the shared one).
TEST(CertParamFile, ALineTheLibraryWritesDuringAPatchIsKept)
{
    struct Case {
        const char* name;
        bool ownProcess;
    };
    const Case cases[] = { { "library thread", false }, { "library process", true } };
    const Rows rows = { { 5, 0.5f }, { 150, -1.5f } };
    const int kRuns = 200;
    for (const Case& c : cases) {
        RuntimeTree tree;
        int lost71 = 0, lost5 = 0;
        for (int run = 0; run < kRuns; ++run) {
            tree.writeFile("conf/param_0.ini", paramFile(200));
            // The setting reached the library's file object: its next write pass takes it.
            const float standard = float(run % 4);
            Modbus485::ParamFile library("../conf", 0);
            ASSERT_EQ(library.read(), 1);
            ParamRecord r = { 71, standard, 0 };
            ASSERT_EQ(library.add(&r), 1);
            std::atomic<int> ready{ 0 };
            if (!c.ownProcess) {
                std::thread pass([&] {
                    ++ready;
                    while (ready < 2) {
                    }
                    library.ansywrite();
                });
                ++ready;
                while (ready < 2) {
                }
                rows.patch("../conf/param_0.ini");
                pass.join();
            } else {
                int go[2];
                ASSERT_EQ(pipe(go), 0);
                const pid_t child = fork();
                ASSERT_GE(child, 0);
                if (child == 0) {
                    char b;
                    ::close(go[1]);
                    _exit(::read(go[0], &b, 1) == 1 && library.ansywrite() == 1 ? 0 : 1);
                }
                ::close(go[0]);
                EXPECT_EQ(::write(go[1], "g", 1), 1);
                ::close(go[1]);
                rows.patch("../conf/param_0.ini");
                int status = 0;
                ASSERT_EQ(waitpid(child, &status, 0), child);
                ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name;
            }
            const std::string file = tree.readFile("conf/param_0.ini");
            char want71[32];
            std::snprintf(want71, sizeof want71, "0071/%010.0f\n", double(standard) * 1000);
            lost71 += lineOf(file, 71) != want71;
            lost5 += lineOf(file, 5) != "0005/0000000500\n";
            ASSERT_EQ(lineOf(file, 150), "0150/-000001500\n") << c.name << " run " << run;
            ASSERT_EQ(file.size(), 200u * 16) << c.name << " run " << run;
        }
        EXPECT_EQ(lost71, 0) << c.name << ": the library's line lost in " << lost71 << " of " << kRuns;
        EXPECT_EQ(lost5, 0) << c.name << ": the patched line lost in " << lost5 << " of " << kRuns;
    }
}

} // namespace
