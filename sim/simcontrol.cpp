#include "simcontrol.h"
#include "acmodulesim.h"
#include "dcbussim.h"
#include "rtuline.h"

#include <sstream>

SimControl::SimControl(RtuLine* acLine, std::map<int, AcModuleSim*>* acModules, DcBusSim* dcBus)
    : acLine_(acLine)
    , ac_(acModules)
    , dc_(dcBus)
{
}

std::string SimControl::dcCommand(std::istringstream& in)
{
    int node = 0;
    std::string what;
    if (!(in >> node >> what))
        return "usage: dc <module> <what> <value...>";
    DcModuleSim* m = dc_ ? dc_->module(node) : nullptr;
    if (!m)
        return "no DC/DC module " + std::to_string(node);
    if (what == "alarm") {
        int index = 0, on = 0;
        if (!(in >> index >> on))
            return "usage: dc <module> alarm <index> <0|1>";
        m->setAlarm(index, on != 0);
    } else if (what == "state") {
        std::string s;
        in >> s;
        if (s != "running" && s != "stopped")
            return "state is running or stopped";
        m->setStatus(DcModuleSim::STATUS_RUNNING, s == "running");
        m->setStatus(DcModuleSim::STATUS_STOPPED, s == "stopped");
    } else if (what == "power") {
        double kw = 0;
        if (!(in >> kw))
            return "usage: dc <module> power <kW>";
        m->setPower(kw);
    } else if (what == "group") {
        int group = 0, on = 0;
        if (!(in >> group >> on) || group < 1 || group > 8)
            return "usage: dc <module> group <1..8> <0|1>";
        m->setGroup(group, on != 0);
    } else if (what == "silent" || what == "noack" || what == "init") {
        int v = 0;
        if (!(in >> v))
            return "usage: dc <module> " + what + " <0|1>";
        if (what == "silent")
            m->setSilent(v != 0);
        else if (what == "noack")
            m->setAcknowledging(v == 0);
        else
            m->requestInit(v != 0);
    } else {
        return "unknown: " + what;
    }
    return std::string();
}

std::string SimControl::command(const std::string& line)
{
    std::istringstream in(line);
    std::string device, what;
    int node = 0;
    if (!(in >> device))
        return std::string();
    if (device == "dc")
        return dcCommand(in);
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
