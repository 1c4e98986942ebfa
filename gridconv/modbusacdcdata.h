#ifndef MODBUSACDCDATA_H
#define MODBUSACDCDATA_H

#include "devicedata.h"

#include <atomic>
#include <map>
#include <memory>
#include <vector>

class AcHandler;

// The panel's one door to the AC/DC converter modules. It owns the handler that polls them,
// the thread that drives it, and the point maps of "../conf/map.pdu" that turn the panel's
// point indices into the handler's value indices. Energy statistics are read through the
// pseudo-indices 1000..1143, 1200 and 1201 of getAnalog, or directly with the four getters.
class ModbusAcDcData : public DeviceData {
public:
    struct DataMap {
        int index;          // the panel's point index
        int handlerIndex;   // the handler's value index, 0..499
    };

    enum { VERSION = 1051 };

    ModbusAcDcData(int moduleCount, char* serialDevice, char* serialSettings, int timeoutMs, int debug);
    ~ModbusAcDcData() override;

    // 0 running; -1 the port, the configuration or the thread failed. Once running, a second
    // call changes nothing.
    int open() override;
    int close() override;
    int getAnalog(int module, int index, float* out) override;
    int getStatus(int module, int index) override;
    int getAlarm(int module, int index) override;
    int getConfig(int module, int index, float* out) override;
    int setting(int module, int index, float value, int broadcastFlag) override;
    int getSettingResult(int module) override;
    int getOperateRecord(OperateRecord* out) override;
    int getVersion(char* buf, int len) override;
    int getFaultRecordSize() override;
    int getFaultRecord(int i, FaultRecord* out) override;

    // Energy statistics by date (year 0: everything; month, day or half-hour 0: the sum).
    int getCharge(int year, int month, int day, int halfHour, float* out);
    int getDischarge(int year, int month, int day, int halfHour, float* out);
    int getMoney(int year, int month, int day, int halfHour, float* out);
    int getDayDischarge(int year, int month, int day, float* out);

    // The polling thread: one handler pass every 100 ms, for good.
    static void* acHandler_thread(void* arg);
    int config_file_open();

    // For tests and benchmarks.
    AcHandler* handler() { return m_handler; }
    bool running() const;

private:
    ModbusAcDcData(const ModbusAcDcData&) = delete;
    ModbusAcDcData& operator=(const ModbusAcDcData&) = delete;

    struct PollState;
    enum { CACHED = 5, DATES = 9, FLAT_LIMIT = 4096 /* a point index beyond is looked up in the map */ };

    static int cacheSlot(int index);
    static void clearMap(std::map<int, DataMap*>& m);
    int readMap(void* file, const char* numKey, const char* dataKey, std::map<int, DataMap*>& out);
    int mapped(const std::map<int, DataMap*>& m, const std::vector<int>& flat, int module, int index, float* out);
    // The handler index of each point by point index (-1 none), made from a map after reading:
    // the data thread asks some 4,000 points ten times a second, a tree walk each.
    static void flatten(const std::map<int, DataMap*>& m, std::vector<int>* flat);

    AcHandler* m_handler;
    std::map<int, DataMap*> m_status;
    std::map<int, DataMap*> m_alarm;
    std::map<int, DataMap*> m_analog;
    std::vector<int> m_statusFlat;
    std::vector<int> m_alarmFlat;
    std::vector<int> m_analogFlat;
    int m_moduleCount;
    char m_device[128];
    char m_settings[128];
    int m_timeout;
    int m_debug;
    // Written by setting and read by getters in other threads without a lock.
    std::atomic<float> m_cache[CACHED];   // configuration indices 87, 77, 78, 89, 91
    std::atomic<int> m_dates[DATES];      // charge, discharge and money: year, month, day each
    std::shared_ptr<PollState> m_poll;
};

#endif
