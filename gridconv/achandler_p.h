// A name that the AC/DC link's source files share in their log lines.
#ifndef ACHANDLER_P_H
#define ACHANDLER_P_H

// Private to the library: each source file keeps its own copy, as when they were one file.
namespace {
const char* const PROCESS_NAME = "virtual void AcHandler::process()";
}

#endif
