#ifndef DEBUGARGS_H
#define DEBUGARGS_H

// The trace mask from the command line: "debug" (or any word beginning with it) followed by a
// decimal number; a missing or malformed number means 0.
int parseDebugArgs(int argc, char* argv[]);

#endif
