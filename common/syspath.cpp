#include "syspath.h"

#include <stdlib.h>

std::string SysPath::root()
{
    const char* r = getenv("STATIONPANEL_ROOT");
    if (!r || !*r)
        return std::string();
    std::string s(r);
    while (s.size() > 1 && s[s.size() - 1] == '/')
        s.erase(s.size() - 1);
    return s;
}

std::string SysPath::resolve(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string r = root();
    if (r.empty())
        return path;
    if (path.compare(0, r.size(), r) == 0 && (path.size() == r.size() || path[r.size()] == '/'))
        return path;
    // The runtime tree is the install folder itself, not a second copy beneath it.
    static const std::string install = "/opt/pcs";
    if (path.compare(0, install.size(), install) == 0 && (path.size() == install.size() || path[install.size()] == '/'))
        return r + path.substr(install.size());
    return r + path;
}

bool SysPath::deviceMayOpen()
{
#ifdef STATIONPANEL_BOARD
    return true;
#else
    return !root().empty();
#endif
}
