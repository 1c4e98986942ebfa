#include "runtimetree.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>

namespace {

std::string runtimeDir()
{
    const char* x = getenv("XDG_RUNTIME_DIR");
    return x ? x : "";
}

bool privateDir(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 0777) == 0700;
}

}

// Qt's runtime folder must not be a fixed one under /tmp that outlives the tests.
TEST(RuntimeTree, QtRuntimeFolderLivesInThrowAwayFolders)
{
    const std::string own = runtimeDir();
    EXPECT_NE(own, "/tmp/runtime-root");
    EXPECT_NE(own.find("/sp-xdg-"), std::string::npos) << own;
    EXPECT_TRUE(privateDir(own)) << own;
    std::string inTree;
    {
        RuntimeTree tree;
        inTree = runtimeDir();
        EXPECT_EQ(inTree, tree.path("run"));
        EXPECT_TRUE(privateDir(inTree));
    }
    EXPECT_EQ(runtimeDir(), own);
    struct stat st;
    EXPECT_NE(stat(inTree.c_str(), &st), 0) << "removed with its tree";
}
