#ifndef GLOBALVAR_H
#define GLOBALVAR_H

// Process-wide state shared by the GUI thread, the data-handling thread and the energy thread.
// Plain globals without locks: each is an aligned word or byte written whole. Those one thread
// writes while another reads are relaxed atomics (the same cost as a plain access on the board).

#include "monitorset.h"
#include "relaxed.h"

#include <QString>

#include <atomic>

class QLabel;

// A module, branch or relay state code, written by the data thread and read by the pages.
using StateByte = Relaxed<unsigned char>;

// Relay states and the timers that watch them, published to the upper system and read by the pages.

struct AllData {
    StateByte relay[9];         // 1 closed; [i] the contactor of branch i + 1, [8] the AC breaker
    unsigned char reserved;
    Relaxed<int> schedule;      // 100 asks the energy thread to apply the half-hour schedule now
    int openTimer[9];           // second of the minute relay i was first seen open, -1 idle
    unsigned char openLatch[9]; // relay i has stayed open too long
    unsigned char spare[15];
};
static_assert(sizeof(AllData) == 76, "the shared relay record is 76 bytes");

// Tip line of the tool bar (null until the tool bar exists) and its display time in seconds.
extern QLabel* tipslabel;
extern int label_time_set;
extern int label_time_count;
// Shows text on the tip line for the given seconds; before the tip line exists only the time is kept.
void setTipsNow(const QString& text, int seconds);

// Seconds since start, pinned at 100 after 60; the upgrade thread waits on it.
extern Relaxed<int> g_autoUpgradeTimer;
extern int keyword_right;        // logged-in user level, 0 nobody
extern int oldkeyword;           // level an unlock restores
extern int g_logout;             // cleared at every logout
extern int backlight_count;      // seconds since the last touch
// The buzzer's alarm latch and seconds: the data thread counts, a touch on the screen clears.
extern Relaxed<int> g_alarm_flag;
extern Relaxed<int> g_alarm_1s_count;
extern int g_recover_flag;
extern int g_remoteoutTCPflag;
extern int g_remoteout485flag;
extern int telnetTcpHeart;
extern int telnet485Heart;
extern unsigned short g_acCrtlCmd; // AC/DC control word, written whole to index 67

extern StateByte dcacstate[60]; // module state codes
extern StateByte dcdcstate[60];
// Sets count state codes from first to value; clearModuleStates sets every module state to 0.
void fillStates(StateByte* first, int count, unsigned char value);
void clearModuleStates();
extern AllData allData;
extern int g_bmsStringOnline[8];
extern Relaxed<float> BmsSoc; // written by the data thread, read by the energy thread

extern float localData[1024];    // schedule and price tables
// Written by the energy thread and read by the pages: relaxed words.
extern Relaxed<float> plot_data[60];
extern Relaxed<int> g_pvstate;   // 1 not charging, 2 charging
extern Relaxed<float> g_showsoc;
extern float g_power[1440];      // [0] the AC/DC system power
// Written by the export threads and read by the GUI thread: atomic words.
extern std::atomic<int> isdownALLing;   // 1 while an export of everything to the USB stick runs
extern std::atomic<int> downNum;        // export progress left by the export threads, 0 none pending
extern int date_power;
extern int dcParam[9];           // {min, max, default} of three DC voltage limits
extern int MACH_TYPE[10];        // machine-type choices of the machine-type page

#endif
