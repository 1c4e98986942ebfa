#include "runtimetree.h"

#include <gtest/gtest.h>
#include <fstream>
#include <sstream>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

RuntimeTree::RuntimeTree(bool withTemplate)
{
    char cwd[4096];
    oldCwd_ = getcwd(cwd, sizeof cwd) ? cwd : ".";
    const char* r = getenv("STATIONPANEL_ROOT");
    hadRoot_ = r != nullptr;
    if (r)
        oldRoot_ = r;
    const char* x = getenv("XDG_RUNTIME_DIR");
    hadRuntimeDir_ = x != nullptr;
    if (x)
        oldRuntimeDir_ = x;

    std::string tmpl = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/sp-test-XXXXXX";
    char* made = mkdtemp(&tmpl[0]);
    if (!made)
        ADD_FAILURE() << "mkdtemp failed";
    root_ = tmpl;
    if (withTemplate) {
        std::string cmd = "cp -a '" + templateDir() + "/.' '" + root_ + "/'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << "cannot copy the runtime template";
    }
    for (const char* d : { "bin", "conf", "conf-dcdc", "conf-sts", "log", "etc", "tmp", "udisk", "dev" })
        mkdir((root_ + "/" + d).c_str(), 0755);
    mkdir((root_ + "/run").c_str(), 0700);
    setenv("STATIONPANEL_ROOT", root_.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (root_ + "/run").c_str(), 1);
    if (chdir((root_ + "/bin").c_str()) != 0)
        ADD_FAILURE() << "cannot enter " << root_ << "/bin";
}

RuntimeTree::~RuntimeTree()
{
    if (chdir(oldCwd_.c_str()) != 0) {
    }
    if (hadRoot_)
        setenv("STATIONPANEL_ROOT", oldRoot_.c_str(), 1);
    else
        unsetenv("STATIONPANEL_ROOT");
    if (hadRuntimeDir_)
        setenv("XDG_RUNTIME_DIR", oldRuntimeDir_.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    // Kept when the test failed, so its files can be looked at.
    if (!::testing::Test::HasFailure() && root_.size() > 12) {
        std::string cmd = "rm -rf '" + root_ + "'";
        if (system(cmd.c_str()) != 0) {
        }
    }
}

void RuntimeTree::writeFile(const std::string& rel, const std::string& bytes) const
{
    std::ofstream f(path(rel), std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string RuntimeTree::readFile(const std::string& rel) const
{
    std::ifstream f(path(rel), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool RuntimeTree::exists(const std::string& rel) const
{
    struct stat st;
    return stat(path(rel).c_str(), &st) == 0;
}

std::string RuntimeTree::templateDir()
{
    return STATIONPANEL_TEMPLATE_DIR;
}
