#ifndef ANSWERINLINE_H
#define ANSWERINLINE_H

#include "dcbussim.h"
#include "timeseam.h"

// While it lives, the simulated modules answer inside every sleep and wait of this process:
// the handler's acknowledgement windows are a few milliseconds of real time, which the
// simulator's own thread may miss on a loaded host, but they are counted in the handler's own
// sleeps, and by its first sleep the modules have answered. Declared after the simulator and
// before the handler, so that it goes after the handler and before the simulator.
class AnswerInline {
public:
    explicit AnswerInline(DcBusSim& sim) { TimeSeam::setSleepHook(&answer, &sim); }
    ~AnswerInline() { TimeSeam::setSleepHook(nullptr, nullptr); }
    AnswerInline(const AnswerInline&) = delete;
    AnswerInline& operator=(const AnswerInline&) = delete;

private:
    static void answer(void* sim) { static_cast<DcBusSim*>(sim)->answerPending(); }
};

#endif
