#ifndef BENCHCABINET_H
#define BENCHCABINET_H

// The runtime tree and the simulated cabinet the panel benches run on: a copy of the template
// with the PCS-1000K machine type, and the simulator as a process of its own.
#include "monitorset.h"

#include <fstream>
#include <iterator>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace BenchCabinet {

// PCS-1000K of the template's rack table: ten modules, eight branches on the DC/DC link.
const int kMachineType = 31;
const int kBranches = 8;
// The AC/DC line is 19200,n,8,1: a start bit, eight data bits and a stop bit a character.
const int kLineBaud = 19200;
const int kLineCharBits = 10;

// A fresh tree under /tmp from the template, made the working tree (STATIONPANEL_ROOT, bin/):
// its path, or "" when it could not be laid out.
inline std::string makeTree()
{
    char dir[] = "/tmp/sp-bench-XXXXXX";
    if (!mkdtemp(dir))
        return "";
    const std::string root = dir;
    const std::string cmd = "cp -a '" + std::string(STATIONPANEL_TEMPLATE_DIR) + "/.' '" + root + "/' && mkdir -p '"
        + root + "/log' '" + root + "/bin' '" + root + "/dev' '" + root + "/can' '" + root + "/tmp' '" + root + "/etc'";
    if (system(cmd.c_str()) != 0)
        return "";
    setenv("STATIONPANEL_ROOT", dir, 1);
    if (chdir((root + "/bin").c_str()) != 0)
        return "";
    return root;
}

inline void setParam(const std::string& path, int index, long value)
{
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    char line[17];
    snprintf(line, sizeof line, "%04d/%010ld", index, value);
    if (text.size() >= size_t(index + 1) * 16)
        text.replace(size_t(index) * 16, 15, line);
    std::ofstream(path) << text;
}

// The machine type, the branch count and a transfer switch, as the settings page would keep
// them (the simulator reads the battery type from the same file), and the rack row in the AC
// parameter file. On settings already read (readmonitorset), under the application object.
inline bool setMachine()
{
    set[21].value = 0;   // a switch fitted
    set[22].value = kMachineType;
    set[23].value = kBranches;
    savemonitorset();
    const std::string conf = std::string(getenv("STATIONPANEL_ROOT")) + "/conf";
    const std::string cmd = "cp '" + conf + "/default/param.ini' '" + conf + "/param_0.ini'";
    if (system(cmd.c_str()) != 0)
        return false;
    setParam(conf + "/param_0.ini", 156, long(kMachineType) * 1000);
    return true;
}

// The simulator on the tree, its AC/DC line paced as `baud` with characters of `charBits` bits
// (baud 0: the pty answers at once); returns once its line is there.
inline pid_t startSimulator(const std::string& root, int baud, int charBits)
{
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // A benchmark killed by its time-out must not leave the simulator running.
        if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent)
            _exit(127);
        const std::string log = root + "/sim.log";
        if (!freopen(log.c_str(), "w", stdout) || !freopen(log.c_str(), "a", stderr))
            _exit(127);
        const std::string pace = std::to_string(baud), bits = std::to_string(charBits);
        execl(STATIONPANEL_CABINETSIM, "cabinetsim", "--root", root.c_str(), "--pace", pace.c_str(), "--char-bits",
            bits.c_str(), (char*)nullptr);
        _exit(127);
    }
    struct stat st;
    for (int k = 0; k < 500 && lstat((root + "/dev/ttySAC1").c_str(), &st) != 0; ++k)
        usleep(10000);
    return pid;
}

} // namespace BenchCabinet

#endif
