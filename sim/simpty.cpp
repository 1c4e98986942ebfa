#include "simpty.h"

#include <pty.h>
#include <stdio.h>
#include <termios.h>
#include <unistd.h>

namespace simpty {

namespace {
void makeRaw(int fd)
{
    struct termios t;
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
}
} // namespace

bool open(const char* who, const std::string& linkPath, bool rawMaster, int* master, int* slave, std::string* name)
{
    char path[128];
    if (openpty(master, slave, path, nullptr, nullptr) != 0) {
        fprintf(stderr, "%s: openpty: ", who);
        perror(nullptr);
        return false;
    }
    // The panel sets its own side again when it opens the port.
    makeRaw(*slave);
    if (rawMaster)
        makeRaw(*master);
    *name = path;
    if (!linkPath.empty()) {
        unlink(linkPath.c_str());
        if (symlink(path, linkPath.c_str()) != 0) {
            fprintf(stderr, "%s: symlink %s: ", who, linkPath.c_str());
            perror(nullptr);
            return false;
        }
    }
    return true;
}

void close(int* master, int* slave, std::string* link)
{
    if (!link->empty())
        unlink(link->c_str());
    link->clear();
    if (*master >= 0)
        ::close(*master);
    if (*slave >= 0)
        ::close(*slave);
    *master = *slave = -1;
}

} // namespace simpty
