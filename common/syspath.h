#ifndef SYSPATH_H
#define SYSPATH_H

#include <string>

// Every absolute path of the board goes through resolve(): with STATIONPANEL_ROOT set it lands
// under that directory, unset (the board) it stays as it is; the install folder "/opt/pcs" is the
// tree itself. Relative paths are left alone.
class SysPath {
public:
    static std::string root();
    static std::string resolve(const std::string& path);
    // The board's character devices (watchdog, gpio, pwm, backlight). A host build opens them
    // only under STATIONPANEL_ROOT, never the real ones.
    static bool deviceMayOpen();
};

#endif
