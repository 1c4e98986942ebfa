#ifndef SIMPTY_H
#define SIMPTY_H

#include <string>

// The simulated cabinet's end of a serial line: a pseudo-terminal whose other side the panel
// opens as its port, through a symlink at the path the panel expects.
namespace simpty {

// Opens the pty raw (the master too when rawMaster) and links linkPath to it when not empty.
// On success *name is the pty's own path; on failure the message names who.
bool open(const char* who, const std::string& linkPath, bool rawMaster, int* master, int* slave, std::string* name);
// Removes the link and closes both ends; each is then -1 or empty.
void close(int* master, int* slave, std::string* link);

} // namespace simpty

#endif
