#ifndef STOPSIGNALS_H
#define STOPSIGNALS_H

// How the panel ends on a host: Ctrl-C, SIGTERM or a hang-up (the terminal closed) stop it
// after it has removed what it made in the runtime tree. The board switches off instead.
namespace StopSignals {

// First thing in main, before any thread exists, so that every thread leaves these signals to
// one waiting thread. SIGINT and SIGTERM are taken even when the caller ignored them (a script
// starts its background jobs with SIGINT ignored); a hang-up only when it was not ignored, so
// that nohup still works.
void install();

// This process's endpoints on the virtual CAN bus under STATIONPANEL_ROOT.
void removeOwnFiles();

} // namespace StopSignals

#endif
