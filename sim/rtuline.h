#ifndef RTULINE_H
#define RTULINE_H

#include "rtuslave.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A serial line of the simulated cabinet: a pseudo-terminal whose other side the panel opens
// as its port. Requests are cut at a silent gap, checked, and handed to the slave of their node.
class RtuLine {
public:
    RtuLine();
    ~RtuLine();

    // Opens the pty; the panel's path (a symlink to the pty) is made when linkPath is not empty.
    bool open(const std::string& linkPath = std::string());
    const std::string& ptyPath() const { return ptyPath_; }
    void attach(int node, RtuSlave* slave);

    // Per-node faults a test or the operator raises.
    struct Faults {
        bool silent = false;
        bool badCrc = false;
        int exception = 0;    // exception code sent instead of the reply
        int delayMs = 0;      // extra delay before the reply
        bool hangUp = false;  // a request closes the line instead, as a cable pulled mid-poll
    };
    void setFaults(int node, const Faults& f);
    Faults faults(int node);
    // Bytes are paced as the wire would carry them at this rate (0: no pacing), each character
    // charBits long on the wire (10 for 8N1; 11 with a parity or a second stop bit).
    void setPacing(int baud, int charBits = 10)
    {
        charBits_ = charBits > 0 ? charBits : 10;
        baud_ = baud;
    }

    void start();          // serves in a thread of its own
    void stop();
    // One request served, for tests that drive the line themselves: false on timeout.
    bool serveOne(int timeoutMs);
    // Closes both ends of the pty and removes the panel's path: the line is gone until open().
    void hangUp();

    long requests() const { return requests_; }

    // The silence that ends a request at this rate: 3.5 character times (1.75 ms above 19200).
    static long silenceUs(int baud, int charBits = 10);

private:
    bool readFrame(std::vector<uint8_t>* frame, int timeoutMs);
    int lineBaud();
    void reply(int node, const std::vector<uint8_t>& body, const Faults& f);

    int master_ = -1;
    int slave_ = -1;
    std::string ptyPath_;
    std::string link_;
    std::map<int, RtuSlave*> slaves_;
    std::map<int, Faults> faults_;
    std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> running_{ false };
    std::atomic<int> baud_{ 0 };
    std::atomic<int> charBits_{ 10 };
    std::atomic<long> requests_{ 0 };
};

#endif
