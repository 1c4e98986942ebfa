#ifndef MONITORSET_H
#define MONITORSET_H

#include <QMutex>
#include <QString>

// One monitor setting: a number and a text. Which of the two a slot uses is fixed by its index.
struct setvalue {
    int value;
    QString text;
};

// The 80 monitor settings, shared by every thread without a lock (each value is one aligned word).
extern setvalue set[80];
// Held only while "monitorset.txt" is read or written. A static object, so it exists before main.
extern QMutex monitormutex;
// Battery type (set[26]) as it was at load; the BMS layout follows it for the whole run.
extern int BmsType;

// Loads set[] from "monitorset.txt" in the working directory; a missing, short or corrupt file
// gives the defaults (a corrupt one is kept aside as "monitorset.txt.bad").
void readmonitorset();
// Writes set[] to "monitorset.txt", replacing the old file only once the new one is on disk.
void savemonitorset();
// Copies "monitorset.txt" as it stands on disk to another file (the factory copy); false on failure.
bool backupmonitorset(const char* to);
// Puts a saved copy in place of "monitorset.txt" and makes it the running settings, both under
// the settings lock, so that no save of the old running settings can come between. 1 restored,
// 0 no such copy, -1 unreadable or damaged copy (nothing changed).
int restoremonitorset(const char* from);
// Rewrites /etc/eth0-setting and applies the address at once. Anything but a plain dotted-quad
// IPv4 address in any of the three is refused and nothing runs. true when every step of the
// file edit and the interface set-up succeeded.
bool setip(const QString& ip, const QString& mask, const QString& gateway);

#endif
