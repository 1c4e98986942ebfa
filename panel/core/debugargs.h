#ifndef DEBUGARGS_H
#define DEBUGARGS_H

// The trace mask from the command line: "debug" (or any word beginning with it) followed by a
// decimal number; a missing or malformed number means 0.
int parseDebugArgs(int argc, char* argv[]);

// The mask itself. Bit 0: AC/DC link and switch; bit 1: DC/DC link; bit 3: upward Modbus RTU
// slave; bit 4: upward Modbus TCP slave and data export; bit 5: IEC 104 station.
extern int debug;

#endif
