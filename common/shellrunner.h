#ifndef SHELLRUNNER_H
#define SHELLRUNNER_H

#include <string>

// The one place that runs shell commands. A host build never executes a command that would
// change this machine (reboot, clock, network, /etc, device nodes) nor one that names a path
// outside STATIONPANEL_ROOT: it appends the line to commands.log and reports success, or the
// failure that "commands.fail" under the root names for it (one command start per line).
class ShellRunner {
public:
    // Result as system() gives it: 0 success.
    static int run(const std::string& command);
    static bool changesMachine(const std::string& command);
    // Where recorded commands go: under the root when set, else the working directory.
    static std::string logPath();
};

#endif
