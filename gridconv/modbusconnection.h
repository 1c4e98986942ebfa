#ifndef CP_MODBUSCONNECTION_H
#define CP_MODBUSCONNECTION_H

#include "esf/connection.h"

#include <atomic>
#include <map>
#include <string>

namespace esf {
class ConfigFile;
}

namespace cp {

class ModbusFrame;
class Serial;

// Modbus RTU master for one slave node. What it polls, how register contents become values,
// which commands and settings it writes and which events it derives come from the signal-table
// file given to the constructor ("../conf/acconfig.pdu").
class ModbusConnection : public esf::Connection {
public:
    enum {
        MAX_BLOCKS = 31,
        MAX_EXPRESSIONS = 32,
        MAX_CONDITIONS = 64,
        MAX_PARTS = 32,
        MAX_TEMPLATES = 8,
        LIST_TEXT = 127,
        NAME_TEXT = 255,
        END_ID = 10000,        // ends the alternatives; alone it always matches
        NONE_ID = -10000,      // the signal has no expression
    };

    // One condition; an alternative is an array of them, chained by their operators.
    struct Expression {
        int id;
        int op;      // '&' or '|' to the next condition, -1 after the last
        int value;
    };

    struct DataSignal {
        int dataIndex;   // key in the value map, -1 = not published
        int block;       // poll block, -1 = derived
        int offset;      // byte in the reply, from the node byte
        int type;
        int divisor;
        int bit;
        Expression* expressions[MAX_EXPRESSIONS];
        float value;
    };

    struct CtrlSignal {
        int fun;
        int address;     // 0xFFFF = nothing sent, success reported
        int value;
    };

    struct SettingSignal {
        int fun;
        int address;
        int count;
        int partCount;
        int parts[MAX_PARTS];   // 0 the new value, -1 zero, else the value of that data index
        int type;
        int scale;
    };

    struct EventSignal {
        Expression* expressions[MAX_EXPRESSIONS];
        int level;       // <2 status, 2 alarm, >=3 fault
        int active;
        int pending;
        double firstSeen;   // monotonic ms
    };

    // Shared by every connection; set from other threads by the owner's setting().
    static std::atomic<int> interruptEventFlag;

    ModbusConnection(const char* path, Serial* serial, int node, bool trace);
    ~ModbusConnection() override;

    int open() override;
    int close() override;
    int process(bool flag) override;
    const char* info() override { return m_name; }
    int init(std::map<int, ParamRecord*>*) override { return 0; }
    int getWave(std::map<int, char*>& out) override;
    int getWaveSize(std::map<int, int>& out) override;
    int getData(std::map<int, float>& out) override;
    int setEvent(std::map<int, int>& in) override;
    int getEvent(std::map<int, int>& out) override;
    int getEventLevel(int id) override;
    int control(int id, float value, char* data, int len, bool broadcast) override;
    int getRxbuff(unsigned char* out) override;
    void setInterruptEvent() override { interruptEventFlag = 1; }
    static int getInterruptEvent() { return interruptEventFlag.exchange(0) ? 1 : 0; }

    // Compiles an expression text into at most outBytes / sizeof(Expression*) alternatives.
    // 0 on success; -1 for bad arguments or a text with more alternatives or conditions than fit.
    static int parseExpression(char* text, Expression** out, int outBytes, int defaultSignal, int base);
    static int getSymbol(char* text, char* separators, int n);
    static void expandExpression(char* text, std::string& out, int shift);
    static void freeExpressions(Expression** exprs, int count);
    // Index of the first matching alternative, -1 for none, NONE_ID for no expression.
    int evalExpression(Expression** exprs, int bytes, bool fromMap);

    // Read-only views for the link's owner and tests.
    int getState() const { return m_state; }
    int getBlockCount() const { return m_blockCount; }
    int getCrcOrder() const { return m_crcOrder; }
    bool getLastResult() const { return m_lastResult; }
    // Whether the last process() decoded the value of dataIndex from a reply accepted in that
    // very call (a derived value: every block answered). False after an interrupted or failed
    // block, when the published value is the one kept from an earlier poll.
    bool isFresh(int dataIndex) const;
    const std::map<int, DataSignal*>& dataSignals() const { return m_data; }
    const std::map<int, CtrlSignal*>& ctrlSignals() const { return m_ctrl; }
    const std::map<int, SettingSignal*>& settingSignals() const { return m_settings; }
    const std::map<int, EventSignal*>& eventSignals() const { return m_events; }

private:
    ModbusConnection(const ModbusConnection&) = delete;
    ModbusConnection& operator=(const ModbusConnection&) = delete;

    bool send(ModbusFrame* frame, bool* interrupted = nullptr);
    void eventProcess();
    void trace(const char* head, const unsigned char* bytes, int len);
    void updateLinkStatus(bool ok);

    int load(esf::ConfigFile& cf);
    int loadBlocks(esf::ConfigFile& cf);
    int loadDataSignals(esf::ConfigFile& cf, std::map<int, std::string>& texts);
    int expandData(const int rows[][4], std::map<int, std::string>& texts);
    int loadCommands(esf::ConfigFile& cf);
    int loadSettings(esf::ConfigFile& cf);
    int loadEvents(esf::ConfigFile& cf, const int rows[][5]);
    int fail(const char* why, int detail = 0);
    void putData(int id, DataSignal* s);
    void putEvent(int id, EventSignal* e);

    unsigned char m_lastReply[4096];
    int m_lastReplyLength;
    bool m_trace;
    int m_state;
    char m_path[128];
    Serial* m_serial;
    char m_name[32];
    std::map<int, ModbusFrame*> m_frames;
    ModbusFrame* m_command;
    bool m_lastResult;
    int m_statusSignal;
    int m_summaryIndex;
    int m_node;
    int m_crcOrder;
    unsigned char m_valid[32];
    unsigned char m_fresh[32];   // blocks accepted and decoded by the last process()
    bool m_allFresh;
    std::map<int, char*> m_wave;
    std::map<int, int> m_waveSize;
    double m_lossStart;

    int m_blockCount;
    int m_blockFun[MAX_BLOCKS];
    int m_blockStart[MAX_BLOCKS];
    int m_blockCountRegs[MAX_BLOCKS];
    int m_ctrlInfo;
    int m_settingInfo;
    std::map<int, DataSignal*> m_data;
    std::map<int, float> m_values;
    std::map<int, CtrlSignal*> m_ctrl;
    std::map<int, SettingSignal*> m_settings;
    std::map<int, EventSignal*> m_events;
};

}

#endif
