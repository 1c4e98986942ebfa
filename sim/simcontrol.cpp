#include "simcontrol.h"
#include "acmodulesim.h"
#include "rtuline.h"

#include <sstream>

SimControl::SimControl(RtuLine* acLine, std::map<int, AcModuleSim*>* acModules)
    : acLine_(acLine)
    , ac_(acModules)
{
}

std::string SimControl::command(const std::string& line)
{
    std::istringstream in(line);
    std::string device, what;
    int node = 0;
    if (!(in >> device))
        return std::string();
    if (device != "ac")
        return "unknown device: " + device;
    if (!(in >> node >> what))
        return "usage: ac <module> <what> <value...>";
    auto it = ac_->find(node);
    if (it == ac_->end())
        return "no AC/DC module " + std::to_string(node);
    AcModuleSim* m = it->second;
    RtuLine::Faults f = acLine_->faults(node);
    if (what == "alarm") {
        int group = 0, bit = 0, on = 0;
        if (!(in >> group >> bit >> on))
            return "usage: ac <module> alarm <group> <bit> <0|1>";
        m->setAlarm(group, bit, on != 0);
    } else if (what == "state") {
        std::string s;
        in >> s;
        if (s == "stopped")
            m->setRunState(AcModuleSim::Stopped);
        else if (s == "running")
            m->setRunState(AcModuleSim::Running);
        else if (s == "fault")
            m->setRunState(AcModuleSim::Faulted);
        else if (s == "standby")
            m->setRunState(AcModuleSim::Standby);
        else
            return "state is stopped, running, fault or standby";
    } else if (what == "power") {
        double kw = 0;
        if (!(in >> kw))
            return "usage: ac <module> power <kW>";
        m->setPower(kw);
    } else if (what == "faultrecord") {
        int level = 1;
        in >> level;
        m->requestFaultRecord(level);
    } else if (what == "init") {
        int on = 1;
        in >> on;
        m->requestInitialSettings(on != 0);
    } else if (what == "silent" || what == "badcrc" || what == "exception" || what == "delay") {
        int v = 0;
        if (!(in >> v))
            return "usage: ac <module> " + what + " <value>";
        if (what == "silent")
            f.silent = v != 0;
        else if (what == "badcrc")
            f.badCrc = v != 0;
        else if (what == "exception")
            f.exception = v;
        else
            f.delayMs = v;
        acLine_->setFaults(node, f);
    } else {
        return "unknown: " + what;
    }
    return std::string();
}
