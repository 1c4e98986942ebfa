// The battery step and the relay, trip and link steps of the data-handling thread.

#include "datadeal.h"
#include "devicedata.h"
#include "globalvar.h"
#include "gpio.h"
#include "modbusrtudevice.h"
#include "modbustcpdevice.h"
#include "monitorset.h"
#include "nametables.h"
#include "racktable.h"
#include "timeseam.h"

#include <QCoreApplication>
#include <stdint.h>
#include <stdio.h>

namespace {

enum {
    BIT_FAULT = 0x08, BIT_PROTECT_A = 0x10, BIT_PROTECT_B = 0x20, BIT_RELAY_OPEN = 0x40,
    COMM_LOST = 8, LIMIT_MAX = 1500, RELAY_OPEN_SECONDS = 5
};
enum { CHARGE_FLAG = 299, DISCHARGE_FLAG = 399, FIRST_BRANCH = 1001, FIRST_UNIT = 3001 };

const int64_t kResultGiveUpMs = 20000;
const unsigned int kResultPollMs = 5;

int statusOf(DeviceData* d, int module, int index)
{
    return d ? d->getStatus(module, index) : 0;
}

bool analogOf(DeviceData* d, int module, int index, float* out)
{
    *out = 0.0f;
    return d && d->getAnalog(module, index, out) >= 0;
}

bool configOf(DeviceData* d, int module, int index, float* out)
{
    *out = 0.0f;
    return d && d->getConfig(module, index, out) >= 0;
}

// Battery types whose battery answers as a whole (one heartbeat, one pair of limits for
// branch 1001, the same protection bits in every string's word).
bool batteryWide(int type)
{
    return type == 1 || type == 2 || type == 4 || type == 6;
}

bool rtuSourced(int type)
{
    return type == 1 || type == 2 || type == 3 || type == 6;
}

// The point index of a battery display row.
int rowIndex(int row)
{
    return uiBmsDataInfo[row].index;
}

// 0x1111, 0x2222 and 0x5555/0xAAAA: the protection states some batteries report in one word.
unsigned int stateWordBits(uint32_t w)
{
    if (w == 0x1111)
        return BIT_PROTECT_A;
    if (w == 0x2222)
        return BIT_PROTECT_B;
    if (w == 0x5555 || w == 0xAAAA)
        return BIT_FAULT;
    return 0;
}

// Seconds of the monotonic clock within a minute: relay-open times are intervals, so a change
// of the wall clock must not shorten or stretch them.
int secondOfMinute()
{
    return int((TimeSeam::monotonicMs() / 1000) % 60);
}

} // namespace

// ---- battery supervision ----

DeviceData* DATADEAL::batterySource(int type) const
{
    if (type == 0)
        return nullptr;
    if (rtuSourced(type))
        return m_rtu;
    return m_bms;
}

void DATADEAL::readBmsSoc(int type)
{
    DeviceData* src = batterySource(type);
    if (!src)
        return;
    float v = 0.0f;
    short hi = 0;
    short lo = 0;
    switch (type) {
    case 0:
    case 5:
        return;
    case 1:
    case 2:
        if (m_rtu->getAnalog(FIRST_UNIT, type == 1 ? 5 : 4, &hi) < 0
            || m_rtu->getAnalog(FIRST_UNIT, type == 1 ? 4 : 5, &lo) < 0)
            return;
        BmsSoc = float((uint32_t(uint16_t(hi)) << 16) | uint16_t(lo)) / 100.0f;
        return;
    case 3:
        if (m_rtu->getAnalog(FIRST_UNIT, 3, &lo) < 0)
            return;
        BmsSoc = float(uint16_t(lo)) / 10.0f;
        return;
    case 4:
        if (analogOf(src, 0, rowIndex(29), &v))
            BmsSoc = v;
        return;
    case 6:
        if (analogOf(src, FIRST_UNIT, 2, &v))
            BmsSoc = v * 0.4f;
        return;
    case 7:
        if (analogOf(src, 0, 3, &v))
            BmsSoc = v;
        return;
    case 9:
        if (analogOf(src, 0, 6, &v))
            BmsSoc = v;
        return;
    case 10:
        if (analogOf(src, 0, 13, &v))
            BmsSoc = v;
        return;
    case 11:
        if (analogOf(src, 0, 5, &v))
            BmsSoc = v;
        return;
    default:
        if (analogOf(src, 0, 0, &v))
            BmsSoc = v * 100.0f;
        return;
    }
}

void DATADEAL::checkBMSOnline(int source)
{
    if (source != 0 && source != 1) {
        printf("checkBMSOnline unknown source %d\n", source);
        return;
    }
    DeviceData* dev = source == 0 ? static_cast<DeviceData*>(m_rtu) : m_bms;
    const int strings = branchCount();
    for (int i = 0; i < strings; ++i) {
        const int module = source == 0 ? FIRST_UNIT + i : i;
        g_bmsStringOnline[i] = statusOf(dev, module, 199) == 1 ? 1 : 0;
    }
}

unsigned int DATADEAL::batteryBits(int type)
{
    DeviceData* src = batterySource(type);
    if (!src)
        return 0;
    unsigned int bits = 0;
    switch (type) {
    case 1:
    case 2:
        for (int row = 0; row <= 7; ++row)
            if (src->getStatus(FIRST_UNIT, rowIndex(row)) == 1)
                bits |= unsigned(BmsDataCmd[row]);
        break;
    case 4:
        for (int row = 0; row <= 22; ++row)
            if (src->getAlarm(0, rowIndex(row)) == 1)
                bits |= unsigned(BmsDataCmd[row]);
        break;
    case 6: {
        // A register the battery never wrote says nothing: its zero bits must not read as
        // protection states.
        short w = 0;
        if (m_rtu->getAnalog(FIRST_UNIT, 59, &w) >= 0) {
            const unsigned u = uint16_t(w);
            if (((u >> 12) & 3) == 0)
                bits |= BIT_PROTECT_A;
            if (((u >> 10) & 3) == 0)
                bits |= BIT_PROTECT_B;
        }
        if (m_rtu->getAnalog(FIRST_UNIT, 6, &w) >= 0) {
            const unsigned u = uint16_t(w);
            if (((u >> 10) & 3) == 2 || ((u >> 8) & 3) == 2)
                bits |= BIT_FAULT;
        }
        break;
    }
    default:
        break;
    }
    return bits;
}

unsigned int DATADEAL::stringBits(int type, int string)
{
    DeviceData* src = batterySource(type);
    if (!src)
        return 0;
    unsigned int bits = 0;
    float v = 0.0f;
    switch (type) {
    case 3: {
        short w = 0;
        if (m_rtu->getAnalog(FIRST_UNIT + string, 0, &w) >= 0)
            bits |= stateWordBits(uint16_t(w));
        break;
    }
    case 5: {
        const bool second = m_set[55].value != 0;
        const int level = src->getAlarm(string, second ? 0 : 10);
        if (level == 1)
            bits |= BIT_PROTECT_A;
        else if (level == 2)
            bits |= BIT_PROTECT_B;
        else if (level == 3 || level == 4)
            bits |= BIT_FAULT;
        const int other = src->getAlarm(string, second ? 1 : 11);
        if (other > 0 && other != 3)
            bits |= BIT_FAULT;
        break;
    }
    case 7:
        for (int p = 0; p <= 30; ++p)
            if (src->getAlarm(string, p) == 1)
                bits |= unsigned(BmsDataCmd[38 + p]);
        if (src->getStatus(string, 7) == 0xAA)
            bits |= BIT_PROTECT_B;
        if (src->getStatus(string, 6) == 0xAA)
            bits |= BIT_PROTECT_A;
        break;
    case 9:
        for (int p = 0; p <= 12; ++p) {
            const int a = src->getAlarm(string, p);
            if (a == 2 || a == 3)
                bits |= unsigned(BmsDataCmd[20 + p]);
        }
        if (src->getStatus(string, 6) == 1)
            bits |= BIT_PROTECT_B;
        if (src->getStatus(string, 5) == 1)
            bits |= BIT_PROTECT_A;
        break;
    case 10:
        if (analogOf(src, string, 7, &v) && v == 0.0f)
            bits |= BIT_PROTECT_A;
        if (analogOf(src, string, 8, &v) && v == 0.0f)
            bits |= BIT_PROTECT_B;
        if (analogOf(src, string, 9, &v) && v != 0.0f)
            bits |= BIT_FAULT;
        break;
    case 11:
        if (analogOf(src, string, 0, &v))
            bits |= stateWordBits(uint32_t(int64_t(v)));
        break;
    default: {
        const bool second = m_set[55].value != 0;
        for (int p = 0; p <= 17; ++p) {
            const int a = src->getAlarm(string, p);
            if (second ? (a == 3 || a == 4) : (a == 1 || a == 2))
                bits |= unsigned(BmsDataCmd[p]);
        }
        if (src->getStatus(string, 1) == 0)
            bits |= BIT_PROTECT_B;
        if (src->getStatus(string, 2) == 0)
            bits |= BIT_PROTECT_A;
        break;
    }
    }
    return bits;
}

int DATADEAL::heartbeatBit(int type, int string)
{
    DeviceData* src = batterySource(type);
    if (!src)
        return 0;
    int lost;
    switch (type) {
    case 1:
    case 2:
    case 6:
        lost = src->getStatus(FIRST_UNIT, 19);
        src->setting(0, 9, 1.0f, 0);
        break;
    case 3:
        lost = src->getStatus(FIRST_UNIT + string, 19);
        src->setting(0, 9 + string, 1.0f, 0);
        break;
    case 4:
        lost = src->getAlarm(0, 49);
        src->setting(0, 49, 1.0f, 0);
        break;
    default:
        lost = src->getAlarm(string, 49);
        src->setting(string, 49, 1.0f, 0);
        break;
    }
    if (lost != 1)
        return 0;
    emit sendcommond(26);
    return COMM_LOST;
}

unsigned int DATADEAL::relayOpenBits(int string)
{
    if (statusOf(m_acdc, 11, 0) != 1)
        return 0;
    if (allData.relay[string]) {
        allData.openTimer[string] = -1;
        allData.openLatch[string] = 0;
        return 0;
    }
    if (allData.openLatch[string])
        return BIT_RELAY_OPEN;
    const int now = secondOfMinute();
    if (allData.openTimer[string] < 0 || allData.openTimer[string] > 59)
        allData.openTimer[string] = now;
    // Seconds since it was first seen open, across the turn of the minute.
    const int open = (now - allData.openTimer[string] + 60) % 60;
    if (open >= RELAY_OPEN_SECONDS)
        allData.openLatch[string] = 1;
    return 0;
}

void DATADEAL::sendWord(int string, unsigned int word)
{
    if (int(word) == idataOld[string])
        return;
    const int branch = FIRST_BRANCH + string;
    int rc;
    if (m_set[24].value == 1)
        rc = m_acdc ? m_acdc->setting(branch, 70, float(word), 0) : -1;
    else
        rc = setDc(branch, 5, float(word));
    // A word the converter did not take is sent again next second: it may carry a fault bit.
    if (rc == 0)
        idataOld[string] = int(word);
    else
        printf("dealwithBms command word 0x%x of branch %d not taken\n", word, branch);
}

bool DATADEAL::readLimit(int type, int string, bool charge, float* limit)
{
    DeviceData* src = batterySource(type);
    float v = 0.0f;
    switch (type) {
    case 1:
    case 2:
        return analogOf(src, FIRST_UNIT, rowIndex(charge ? 26 : 27), limit);
    case 3: {
        const int model = m_set[25].value;
        if (model == 7091 || !analogOf(src, FIRST_UNIT + string, charge ? 1 : 2, &v))
            return false;
        if (model == 1091)
            *limit = int(v) == -1 ? float(LIMIT_MAX) : v / 10.0f * 0.25f;
        else
            *limit = v * 0.1f;
        return true;
    }
    case 4:
        return analogOf(src, 0, rowIndex(charge ? 27 : 28), limit);
    case 5:
        if (!analogOf(src, string, charge ? 39 : 40, &v))
            return false;
        *limit = v / 10.0f;
        return true;
    case 6:
        if (!analogOf(src, FIRST_UNIT, charge ? 18 : 19, &v))
            return false;
        *limit = v / 10.0f;
        return true;
    case 7:
        return analogOf(src, string, charge ? 7 : 8, limit);
    case 9:
        return analogOf(src, string, charge ? 0 : 1, limit);
    case 10:
        return analogOf(src, string, charge ? 4 : 5, limit);
    case 11:
        return analogOf(src, string, charge ? 1 : 2, limit);
    default:
        return analogOf(src, string, charge ? 6 : 7, limit);
    }
}

void DATADEAL::passLimit(DeviceData* source, int flagModule, int flagPoint, int branch, int type, int string)
{
    if (!source || source->getStatus(flagModule, flagPoint) != 1)
        return;
    source->setting(flagModule, flagPoint, 0.0f, 0);
    const bool charge = flagPoint == CHARGE_FLAG;
    float limit = 0.0f;
    if (!readLimit(type, string, charge, &limit))
        return;
    if (!(limit >= 0.0f && limit <= float(LIMIT_MAX))) {
        printf("dealwithBms %s limit %f of branch %d ignored\n", charge ? "charge" : "discharge", double(limit),
            branch);
        return;
    }
    const bool viaAc = m_set[24].value == 1;
    DeviceData* converter = viaAc ? m_acdc : m_dcdc;
    const int index = viaAc ? (charge ? 103 : 121) : (charge ? 24 : 44);
    if (!converter)
        return;
    // A value the converter cannot tell is written anyway: the flag is already cleared.
    float current = 0.0f;
    if (configOf(converter, branch, index, &current) && current == limit)
        return;
    if (viaAc)
        setAc(branch, index, limit);
    else
        setDc(branch, index, limit);
}

void DATADEAL::passLimits(int type, int strings)
{
    DeviceData* src = batterySource(type);
    if (!src)
        return;
    if (batteryWide(type)) {
        passLimit(src, 0, CHARGE_FLAG, FIRST_BRANCH, type, 0);
        passLimit(src, 0, DISCHARGE_FLAG, FIRST_BRANCH, type, 0);
        return;
    }
    for (int i = 0; i < strings; ++i) {
        passLimit(src, i, CHARGE_FLAG, FIRST_BRANCH + i, type, i);
        passLimit(src, i, DISCHARGE_FLAG, FIRST_BRANCH + i, type, i);
    }
}

void DATADEAL::sendSecondWords(int strings)
{
    if (!m_bms)
        return;
    for (int i = 0; i < strings; ++i) {
        const int a = m_bms->getAlarm(i, 10);
        const int flag = (a == 2 || a == 3) ? 1 : 0;
        if (flag == jy_dataold[i])
            continue;
        const int branch = FIRST_BRANCH + i;
        int rc;
        if (m_set[24].value == 1)
            rc = m_acdc ? m_acdc->setting(branch, 66, float(flag), 0) : -1;
        else
            rc = setDc(branch, 9, float(flag));
        if (rc == 0)
            jy_dataold[i] = flag;
    }
}

void DATADEAL::applyDcVoltage()
{
    float v = 0.0f;
    if (!analogOf(m_bms, 0, rowIndex(26), &v) || v == 0.0f)
        return;
    if (!(float(dcParam[0]) < v && v < float(dcParam[1])))
        return;
    const bool viaAc = m_set[24].value == 1;
    DeviceData* converter = viaAc ? m_acdc : m_dcdc;
    const int lower = viaAc ? 93 : 27;
    const int upper = viaAc ? 101 : 37;
    float reference = 0.0f;
    if (!configOf(converter, 0, upper, &reference))
        return;
    // The two go one after the other, each waiting for its result: the order keeps the pair
    // valid, and a second system write queued behind the first would be refused.
    auto write = [&](int index) { return viaAc ? setAc(0, index, v) : setDc(0, index, v); };
    if (v < reference) {
        if (write(lower) == 0)
            write(upper);
    } else if (v != reference) {
        if (write(upper) == 0)
            write(lower);
    }
}

void DATADEAL::forceChargeAndWake(int strings)
{
    if (!m_bms)
        return;
    const bool viaAc = m_set[24].value == 1;
    const bool dcDispatch = m_set[54].value == 1;
    const int kind = viaAc ? 1 : 0;
    const bool localAuto = m_set[1].value == 1;
    const bool acReady = statusOf(m_acdc, 0, 55) == 1;
    for (int i = 0; i < strings; ++i) {
        const int branch = FIRST_BRANCH + i;
        const int request = m_bms->getStatus(i, 4);
        if (request == 1 && localAuto && m_set[60].value == 1) {
            if (m_dcdc) {
                if (dcDispatch) {
                    m_dcdc->setting(branch, 1001, 1500.0f, 0);
                    m_dcdc->setting(branch, 1000, 1000.0f, 0);
                } else {
                    m_dcdc->setting(20, 87, 770.0f, 0);
                }
            }
            if (!forceChargeLatch[i]) {
                monitorforceChargeLog(i, kind, 0);
                forceChargeLatch[i] = 1;
            }
        } else if (request == 0 && forceChargeLatch[i]) {
            forceChargeLatch[i] = 0;
            g_recover_flag = 1;
            monitorforceChargeLog(i, kind, 1);
        }

        if (!localAuto || m_set[61].value != 1 || !acReady || m_bms->getStatus(i, 5) != 0
            || m_bms->getStatus(i, 100) != 1)
            continue;
        float power = 0.0f;
        bool havePower;
        int threshold;
        if (dcDispatch) {
            threshold = currentRackInfo.moduleCount;
            havePower = viaAc ? configOf(m_acdc, branch, 96, &power) : analogOf(m_dcdc, 0, 24, &power);
        } else {
            threshold = 3 * currentRackInfo.moduleCount;
            havePower = analogOf(m_acdc, 0, 47, &power);
        }
        float own = 0.0f;
        const bool haveOwn = viaAc ? analogOf(m_acdc, branch, 4, &own) : analogOf(m_dcdc, branch, 0, &own);
        if (havePower && haveOwn && float(threshold) < power && own < 100.0f) {
            m_bms->setting(i, 1000, 1.0f, 0);
            monitoWriteLog(i);
        }
    }
}

void DATADEAL::dealwithBms()
{
    // The battery type as it was at start: the display rows and the bus follow it.
    const int type = BmsType;
    const int strings = branchCount();

    readBmsSoc(type);
    if (batteryPoll > 5) {
        batteryPoll = 0;
        if (type != 0)
            checkBMSOnline(rtuSourced(type) ? 0 : 1);
    }

    const int heartbeatSeconds = m_set[27].value;
    const bool heartbeatDue = heartbeatSeconds > 0 && batteryPeriod > heartbeatSeconds;
    const bool wide = batteryWide(type);
    unsigned int common = 0;
    if (wide) {
        common = batteryBits(type);
        if (heartbeatDue)
            ibmsStat[0] = heartbeatBit(type, 0);
    }
    unsigned int words[BRANCHES] = {};
    for (int i = 0; i < strings; ++i) {
        unsigned int word = wide ? common : stringBits(type, i);
        if (type != 0 && heartbeatSeconds > 0) {
            if (!wide && heartbeatDue)
                ibmsStat[i] = heartbeatBit(type, i);
            word |= unsigned(wide ? ibmsStat[0] : ibmsStat[i]);
        }
        word |= relayOpenBits(i);
        words[i] = word;
    }
    if (wide ? heartbeatDue : batteryPeriod > heartbeatSeconds)
        batteryPeriod = 0;

    for (int i = 0; i < strings; ++i)
        sendWord(i, words[i]);
    passLimits(type, strings);
    if (type == 9)
        sendSecondWords(strings);
    else if (type == 4)
        applyDcVoltage();
    else if (type == 7)
        forceChargeAndWake(strings);
}

// ---- converter writes with a result ----

int DATADEAL::waitResult(DeviceData* device, int module)
{
    const int64_t start = TimeSeam::monotonicMs();
    int result;
    while ((result = device->getSettingResult(module)) == 2) {
        if (TimeSeam::monotonicMs() - start >= kResultGiveUpMs)
            return -1;
        QCoreApplication::processEvents();
        delay_ms(kResultPollMs);
    }
    return result;
}

int DATADEAL::setDc(int module, int index, float value)
{
    if (!m_dcdc) {
        printf("setDc no DC/DC device for module=%d index=%d\n", module, index);
        return -1;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (m_dcdc->setting(module, index, value, 0) != 0)
            continue;
        if (waitResult(m_dcdc, module) == 0)
            return 0;
    }
    printf("setDc module=%d index=%d value=%f failed three times\n", module, index, double(value));
    return -1;
}

int DATADEAL::setAc(int module, int index, float value)
{
    if (!m_acdc) {
        printf("setAc no AC/DC device for module=%d index=%d\n", module, index);
        return -1;
    }
    if (m_acdc->setting(module, index, value, 0) != 0) {
        printf("setAc module=%d index=%d value=%f refused\n", module, index, double(value));
        return -1;
    }
    // The AC/DC link answers branch and system writes as module 0.
    if (waitResult(m_acdc, 0) != 0) {
        printf("setAc module=%d index=%d value=%f failed\n", module, index, double(value));
        return -1;
    }
    return 0;
}

// ---- relays, trips, links ----

void DATADEAL::dealwithRelay()
{
    enum { RELAY_BYTES = 9, FIRST_REGISTER = 301 };
    StateByte* relay = allData.relay;
    auto ac = [this](int module, int point) { return statusOf(m_acdc, module, point); };
    // Without the GPIO device every input reads open, and the read is not tried.
    auto in = [](int pin) { return Gpio::handle >= 0 && Gpio::read(pin) == 1; };

    switch (currentRackInfo.relayLayout) {
    case 1:
        relay[0] = ac(11, 30) == 1 && ac(11, 31) == 1;
        relay[1] = ac(11, 32) == 1 && in(1);
        relay[2] = in(3) && in(5);
        relay[3] = in(7) && in(9);
        break;
    case 2:
        for (int k = 0; k < 3; ++k)
            relay[k] = ac(11, 30 + k) == 1;
        break;
    default:
        for (int k = 0; k < 3; ++k)
            relay[k] = ac(11, 30 + k) == 1;
        // The inputs of the strings beyond the third exist only on racks that have them.
        if (currentRackInfo.stringCount > 3)
            for (int k = 0; k < 5; ++k)
                relay[3 + k] = in(1 + 2 * k);
        break;
    }
    // A breaker the AC/DC link cannot report (negative answer) is not published as closed.
    relay[8] = ac(0, 49) > 0;

    for (int r = 0; r < RELAY_BYTES; ++r) {
        const float v = relay[r] ? 1.0f : 0.0f;
        if (m_rtu)
            m_rtu->setting(0, FIRST_REGISTER + r, v, 0);
        if (m_tcp)
            m_tcp->setting(0, FIRST_REGISTER + r, v, 0);
    }
}

bool DATADEAL::pulseTrip(const int* outputs, int count)
{
    static const bool levels[] = { false, true, false, true };
    static const unsigned int waits[] = { 200, 100, 200 };
    for (int step = 0; step < 4; ++step) {
        for (int k = 0; k < count; ++k)
            if (Gpio::ioctl(outputs[k], levels[step]) != 0)
                return false;
        if (step < 3)
            delay_ms(waits[step]);
    }
    return true;
}

void DATADEAL::dealwithTrip()
{
    struct Wiring {
        int branch;
        int outputs[2];
        int count;
    };
    static const Wiring firstLayout[] = {
        { 1002, { 2, 0 }, 1 }, { 1003, { 4, 6 }, 2 }, { 1004, { 8, 10 }, 2 },
    };
    static const Wiring generalLayout[] = {
        { 1004, { 2, 0 }, 1 }, { 1005, { 4, 0 }, 1 }, { 1006, { 6, 0 }, 1 }, { 1007, { 8, 0 }, 1 },
        { 1008, { 10, 0 }, 1 },
    };
    if (m_set[24].value != 1 || !m_acdc)
        return;
    const Wiring* wiring;
    int rows;
    switch (currentRackInfo.relayLayout) {
    case 2:
        return;
    case 1:
        wiring = firstLayout;
        rows = int(sizeof firstLayout / sizeof firstLayout[0]);
        break;
    default:
        wiring = generalLayout;
        rows = int(sizeof generalLayout / sizeof generalLayout[0]);
        break;
    }
    for (int n = 0; n < rows; ++n) {
        const Wiring& w = wiring[n];
        int& sent = tripFlag[w.branch - FIRST_BRANCH];
        const int request = m_acdc->getStatus(w.branch, 6);
        if (request == 1 && !sent) {
            // A pulse that did not reach the outputs is tried again on the next pass.
            if (pulseTrip(w.outputs, w.count))
                sent = 1;
            else
                printf("dealwithTrip pulse of branch %d not driven\n", w.branch);
        } else if (request == 0) {
            for (int k = 0; k < w.count; ++k)
                Gpio::ioctl(w.outputs[k], true);
            sent = 0;
        }
    }
}

void DATADEAL::dealwithConnect()
{
    if (connectToggle) {
        if (statusOf(m_acdc, 0, 0) != 1)
            emit sendcommond(0);
    } else if (m_set[24].value != 1 && statusOf(m_dcdc, 0, 100) != 1) {
        emit sendcommond(1);
    }
    connectToggle = !connectToggle;
}
