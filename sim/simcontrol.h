#ifndef SIMCONTROL_H
#define SIMCONTROL_H

#include <map>
#include <sstream>
#include <string>

class AcModuleSim;
class DcBusSim;
class RtuLine;

// Operator commands of the simulated cabinet, one per line, e.g.
//   ac 2 alarm 0 3 1      raise alarm bit 3 of group 0 on AC/DC module 2
//   ac 2 state fault      stopped | running | fault | standby
//   ac 2 power -15        run at -15 kW (charging)
//   ac 2 silent 1         stop answering (also: badcrc 1, exception 4, delay 300)
//   ac 2 faultrecord 1    ask the panel to read a fault record
//   ac 2 init 1           ask the panel for the initial settings
//   dc 3 alarm 5 1        raise alarm 5 of DC/DC module 3
//   dc 3 state running    running | stopped
//   dc 3 power 20         run at 20 kW when running (negative: charging)
//   dc 3 group 2 1        make it a member of group 2 (0: leave it)
//   dc 3 silent 1         stop sending (also: noack 1, init 1 to ask for initialisation)
// Returns an empty string when done, else what was wrong.
class SimControl {
public:
    SimControl(RtuLine* acLine, std::map<int, AcModuleSim*>* acModules, DcBusSim* dcBus = nullptr);
    std::string command(const std::string& line);

private:
    std::string dcCommand(std::istringstream& in);

    RtuLine* acLine_;
    std::map<int, AcModuleSim*>* ac_;
    DcBusSim* dc_;
};

#endif
