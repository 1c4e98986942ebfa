// DC/DC link: settings, commands, acknowledged exchanges, module initialisation, operate records.
#include "dchandler.h"
#include "canhandler.h"
#include "dchandler_p.h"
#include "paramfile.h"
#include "timeseam.h"

#include <math.h>
#include <stdio.h>
#include <string.h>
#include <string>

namespace {
void put16(uint8_t* at, int value)
{
    at[0] = uint8_t(value & 0xFF);
    at[1] = uint8_t((value >> 8) & 0xFF);
}
}

void DcHandler::decodeAcknowledgement(int m, const CanFrame* f)
{
    const int code = f->data[0] | (f->data[1] << 8);
    m_pending[m] = 0;
    if (f->pf == 96 && code == 8) {
        m_resend5[m] = 0;
        m_initFlag[m][0] = 0;
    } else if (f->pf == 96 && code == 11) {
        m_initFlag[m][2] = 0;
    }
}

int DcHandler::setting(int module, int index, float value, int broadcastFlag)
{
    if (index >= 1000 && index <= 1002 && (module == 0 || isGroup(module)))
        return powerSetpoint(module, index, value);
    if (isModule(module))
        return moduleSetting(module, index, value, broadcastFlag);
    if (isGroup(module))
        return groupSetting(module, index, value, broadcastFlag);
    if (module == 0)
        return systemSetting(index, value);
    if (module == 20 || module == 30)
        return dispatchSetting(module, index, value);
    if (module >= 21 && module <= 23)
        return commandSetting(module, index, value);
    if ((module >= 65 && module <= 79) || (module >= 128 && module <= 143))
        return upgradeSetting(module, index, value);
    printf("%s module %d error\n", __PRETTY_FUNCTION__, module);
    return -1;
}

CanFrame DcHandler::rowFrame(int row, int da, float value) const
{
    const CommandRow& r = m_commands[row];
    CanFrame f = commandFrame(r.priority, r.pf, da);
    f.data[0] = uint8_t(r.code);
    put16(f.data + 2, integerOf(float(r.scale) * value));
    return f;
}

bool DcHandler::addParam(int id, int index, float value)
{
    std::lock_guard<std::mutex> g(m_paramLock);
    auto file = m_paramFiles.find(id);
    if (file == m_paramFiles.end())
        return false;
    ParamRecord r = { index, value, 0 };
    if (file->second->add(&r) != 1)
        return false;
    // A record of an index the file did not hold yet is a new object of the file.
    file->second->get(m_paramMaps[id]);
    return true;
}

bool DcHandler::requestWrite(int id)
{
    std::lock_guard<std::mutex> g(m_paramLock);
    auto file = m_paramFiles.find(id);
    return file != m_paramFiles.end() && file->second->write() == 1;
}

void DcHandler::keepInitValue(int index, float value)
{
    if (index == 7 || index == 31)
        m_lastInitValue = int16_t(integerOf(value));
}

int DcHandler::moduleSetting(int m, int n, float value, int)
{
    if (!validRow(n)) {
        printf("%s module %d: no command row %d\n", __PRETTY_FUNCTION__, m, n);
        return -1;
    }
    float before = -1.0f;
    paramValue(m, n, &before);
    if (!online(m))
        return -1;
    int state = m_pending[m];
    if (state == 2 || !m_pending[m].compare_exchange_strong(state, 2))
        return -2;
    if (!addParam(m, n, value)) {
        m_pending[m] = 0;
        return -2;
    }
    keepInitValue(n, value);
    if (n < m_init.recordLimit && !requestWrite(m)) {
        m_pending[m] = 0;
        return -2;
    }
    const CanFrame f = rowFrame(n, n == m_init.broadcastRow ? BROADCAST : MODULE_BASE + m, value);
    m_sendTime[m] = getCurrentTimeMillis();
    const int r = internalsend(&f, m);
    if (r != 0)
        return r;
    float after = -1.0f;
    paramValue(m, n, &after);
    if (n != m_init.broadcastRow && n < m_init.recordLimit) {
        queueRecord(200 + m, n, before, after);
        traceRecord(__PRETTY_FUNCTION__, m, n, before, after);
    }
    return 0;
}

int DcHandler::groupSetting(int g, int n, float value, int broadcastFlag)
{
    if (!validRow(n)) {
        printf("%s group %d: no command row %d\n", __PRETTY_FUNCTION__, g, n);
        return -1;
    }
    const int gi = g - FIRST_GROUP;
    m_groupSendTime[gi] = getCurrentTimeMillis();
    if (n == 5) {
        m_group5[gi] = value;
        for (int m = 1; m <= MODULES; ++m)
            m_resend5[m] = 1;
    } else if (n == 9) {
        m_group9[gi] = value;
    }
    int result = 0;
    for (int m = 1; m <= MODULES; ++m) {
        if (onlineMember(m, g) && moduleSetting(m, n, value, broadcastFlag) != 0) {
            result = 1;
            break;
        }
    }
    float before = -1.0f;
    paramValue(g, n, &before);
    if (!addParam(g, n, value))
        return -2;
    keepInitValue(n, value);
    if (n < m_init.recordLimit && !requestWrite(g))
        return -2;
    if (n != m_init.broadcastRow && broadcastFlag == 0) {
        float after = -1.0f;
        paramValue(g, n, &after);
        queueRecord(200 + g, n, before, after);
        traceRecord(__PRETTY_FUNCTION__, g, n, before, after);
    }
    return result;
}

int DcHandler::systemSetting(int n, float value)
{
    if (!validRow(n)) {
        printf("%s: no command row %d\n", __PRETTY_FUNCTION__, n);
        return -1;
    }
    m_systemSendTime = getCurrentTimeMillis();
    int result = 0;
    for (int g = FIRST_GROUP; g <= LAST_GROUP; ++g) {
        if (groupSetting(g, n, value, 1) != 0) {
            result = 1;
            break;
        }
    }
    float before = -1.0f;
    paramValue(SYSTEM_PARAMS, n, &before);
    if (!addParam(SYSTEM_PARAMS, n, value))
        return -2;
    if (n == 31)
        keepInitValue(n, value);
    if (n < m_init.recordLimit && !requestWrite(SYSTEM_PARAMS))
        return -2;
    if (n != m_init.broadcastRow) {
        float after = -1.0f;
        paramValue(SYSTEM_PARAMS, n, &after);
        queueRecord(1200, n, before, after);
        traceRecord(__PRETTY_FUNCTION__, 0, n, before, after);
    }
    return result;
}

std::vector<int> DcHandler::dcUnitAddresses(int module) const
{
    std::vector<int> all;
    for (int a = 1; a <= m_rackRow.moduleCount && a <= 0xFF - 0x40; ++a)
        all.push_back(0x40 + a);
    if (module == 0)
        return all;
    const int gi = module - FIRST_GROUP;
    switch (m_rackRow.seq) {
    case 15:
    case 32:
        return { 0x41 + 2 * gi, 0x42 + 2 * gi };
    case 27:
        return { 0x41 + 4 * gi, 0x42 + 4 * gi, 0x43 + 4 * gi, 0x44 + 4 * gi };
    case 16:
    case 23:
    case 26:
    case 29:
        return { 0x41 + gi };
    default:
        return all;
    }
}

int DcHandler::powerSetpoint(int module, int index, float value)
{
    const int k = index - 1000;
    const int v = integerOf(value * 10.0f);
    int old;
    int values[3];
    int source;
    {
        std::lock_guard<std::mutex> g(m_commandLock);
        if (module == 0) {
            old = m_systemPower[k];
            m_systemPower[k] = v;
            for (int gi = 0; gi < GROUPS; ++gi)
                m_groupPower[gi][k] = v;
            memcpy(values, m_systemPower, sizeof values);
            source = m_direct ? 40 : 30;
        } else {
            const int gi = module - FIRST_GROUP;
            old = m_groupPower[gi][k];
            m_groupPower[gi][k] = v;
            memcpy(values, m_groupPower[gi], sizeof values);
            source = m_direct ? module - 960 : module - 970;
        }
    }
    writeOperaterecord(source, index, old, value, false);

    CanFrame f = commandFrame(2, COMMAND_PF, 0);
    f.data[0] = 13;
    for (int i = 0; i < 3; ++i)
        put16(f.data + 2 + 2 * i, values[i]);
    int result = 0;
    if (m_direct) {
        for (int m = 1; m <= MODULES; ++m) {
            if (!online(m) || (module != 0 && !member(m, module)))
                continue;
            f.da = uint8_t(MODULE_BASE + m);
            const int r = quickThreeSend(&f);
            if (r != 0)
                result = r;
        }
    } else {
        for (int a : dcUnitAddresses(module)) {
            f.da = uint8_t(a);
            const int r = quickThreeSend(&f);
            if (r != 0)
                result = r;
        }
    }
    return result;
}

int DcHandler::dispatchSetting(int module, int index, float value)
{
    const int slot = index == 87 ? 0 : index == 76 ? 1 : index == 85 ? 2 : -1;
    int values[3];
    if (slot >= 0) {
        const int stored = integerOf(value * (slot == 2 ? 100.0f : 10.0f));
        int recorded = 0;
        {
            std::lock_guard<std::mutex> g(m_commandLock);
            m_dispatch[slot] = stored;
            if (module == 20) {
                recorded = m_dispatchRecorded[slot];
                m_dispatchRecorded[slot] = stored;
            }
        }
        if (module == 20) {
            if (slot == 2)
                writeOperaterecord(20, index, recorded, stored, true);
            else
                writeOperaterecord(20, index, recorded, value, false);
        }
    }
    if (module == 30)
        return slot >= 0 ? 0 : -1;
    {
        std::lock_guard<std::mutex> g(m_commandLock);
        memcpy(values, m_dispatch, sizeof values);
    }
    CanFrame f = commandFrame(2, COMMAND_PF, BROADCAST);
    f.data[0] = 12;
    for (int i = 0; i < 3; ++i)
        put16(f.data + 2 + 2 * i, values[i]);
    return quickThreeSend(&f);
}

int DcHandler::commandSetting(int module, int index, float value)
{
    CanFrame f = commandFrame(2, COMMAND_PF, BROADCAST);
    if (module == 21) {
        if (index != 0)
            return -1;
        const int v = integerOf(value);
        int old;
        {
            std::lock_guard<std::mutex> g(m_commandLock);
            old = m_command21;
            m_command21 = v;
        }
        writeOperaterecord(21, index, old, value, false);
        f.data[0] = 14;
        put16(f.data + 2, v);
    } else if (module == 22) {
        f.data[0] = 15;
        if (index >= 0 && index <= 2)
            put16(f.data + 2 + 2 * index, integerOf(value));
    } else {
        if (index != 0 && index != 1)
            return -1;
        f.data[0] = 16;
        if (index == 1) {
            f.data[2] = 1;
            writeOnOffOper(61, 0);
        } else {
            f.data[4] = 1;
            writeOnOffOper(62, 1);
        }
    }
    return quickThreeSend(&f);
}

void DcHandler::queueRecord(int code, int oid, double before, double after)
{
    OperateRecord r;
    memset(&r, 0, sizeof r);
    r.index = 0;
    const std::string now = localTimeText();
    strncpy(r.time, now.c_str(), sizeof r.time - 1);
    r.oid = oid;
    strcpy(r.name, "  ");
    r.modules = code;
    r.rdata = before;
    r.mdata = after;
    r.dirty = 1;
    std::lock_guard<std::mutex> g(m_recordLock);
    m_records.push_back(r);
}

void DcHandler::traceRecord(const char* function, int module, int index, double before, double after)
{
    if (m_trace)
        printf("%s-operateRecord  moduleId %d  index %d  raw_data %f  modifi_data %f \n", function, module, index,
            before, after);
}

void DcHandler::writeOperaterecord(int source, int index, double before, double after, bool powerFactor)
{
    if (!powerFactor) {
        // Only a change of direction, a start or a stop is worth a record.
        if ((before > 0 && after > 0) || (before < 0 && after < 0) || (before == 0 && after == 0))
            return;
    } else {
        // Power factors in hundredths: unity (either sign), leading or lagging.
        auto classed = [](double v) { return (v == 100 || v == -100) ? 100.0 : v == 0 ? 0.1 : v; };
        auto kind = [](double v) { return v == 100 ? 0 : v > 0 ? 1 : 2; };
        before = classed(before);
        after = classed(after);
        if (kind(before) == kind(after))
            return;
    }
    queueRecord(1500 + source, index, before, after);
}

void DcHandler::writeOnOffOper(int code, int value)
{
    queueRecord(1100, code, 1.0, 1.0);
    if (m_rackRow.dcViaAcDc != 1)
        queueRecord(1200, value, 1.0, 1.0);
    else
        printf("===============acid %d\n", code);
}

int DcHandler::quickThreeSend(const CanFrame* f)
{
    int r = -1;
    for (int i = 0; i < 3; ++i) {
        r = send(f);
        TimeSeam::sleepMs(2);
    }
    return r;
}

void DcHandler::keepForLater(const CanFrame& f)
{
    // Bounded like a CAN controller's receive buffer: a link that floods while we wait loses
    // its oldest frames, not our memory.
    if (m_backlog.size() >= 1024)
        m_backlog.pop_front();
    m_backlog.push_back(f);
}

void DcHandler::dealwithframe(const CanFrame* f)
{
    if (!f->ff || (f->da != 0x11 && f->da != 0x12) || f->p == 1)
        return;
    if (f->sa < MODULE_BASE + 1 || f->sa > MODULE_BASE + MODULES || f->pf < 0x60 || f->pf > 0x6F)
        return;
    const int m = f->sa - MODULE_BASE;
    m_pending[m] = 0;
    if (f->pf == 0x60 && (f->data[0] | (f->data[1] << 8)) == 8)
        m_resend5[m] = 0;
}

int DcHandler::internalsend(const CanFrame* f, int m)
{
    m_pending[m] = 2;
    std::unique_lock<std::mutex> g(m_sendLock);
    int sleeps = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (m_can->send(f) != CanHandler::FRAME_SIZE)
            continue;
        for (;;) {
            // Everything waiting is read each millisecond: on a busy bus one frame at a time
            // would fall behind the acknowledgement.
            CanFrame in;
            for (int k = 0; k < 64 && m_can->recv(&in) == CanHandler::FRAME_SIZE; ++k) {
                dealwithframe(&in);
                if (in.pf < 0x60 || in.pf > 0x6F)
                    keepForLater(in);
            }
            if (m_pending[m] == 0)
                return 0;
            if (sleeps >= 21)
                break;
            TimeSeam::sleepMs(1);
            ++sleeps;
        }
    }
    g.unlock();
    // Not acknowledged: getSettingResult reports the failure once.
    m_pending[m] = 1;
    return -1;
}

int DcHandler::initControlCmd(int m, int row, float value)
{
    if (!isModule(m) || !validRow(row))
        return -1;
    const CommandRow& r = m_commands[row];
    CanFrame f = commandFrame(2, COMMAND_PF, MODULE_BASE + m);
    f.data[0] = uint8_t(r.code);
    put16(f.data + 2, integerOf(float(r.scale) * value));
    std::lock_guard<std::mutex> g(m_sendLock);
    const int sent = m_can->send(&f);
    return sent == CanHandler::FRAME_SIZE ? 0 : sent;
}

int DcHandler::init_dsp(int m)
{
    if (!isModule(m)) {
        printf("%s(%d)-modulenum error\n", __PRETTY_FUNCTION__, m);
        return -1;
    }
    const int id = SYSTEM_PARAMS + m_systemId[m];
    bool answered = true;
    for (int r = m_init.first; r <= m_init.last; ++r) {
        if (!validRow(r))
            continue;
        const CommandRow& row = m_commands[r];
        float value = 0.0f;
        paramValue(id, r, &value);
        if (r == 31)
            value = float(m_lastInitValue);
        if ((r == 28 || r == 29) && value != 0.0f)
            value = 0.000005f;
        else
            value += value < 0.0f ? -0.000005f : 0.000005f;
        CanFrame f = commandFrame(row.priority, row.pf, MODULE_BASE + m);
        f.data[0] = uint8_t(row.code);
        put16(f.data + 2, integerOf(float(row.scale) * value));
        if (m_trace)
            printf("%s- module %d  systemId %d  index %d fdata %f \n", __PRETTY_FUNCTION__, m, m_systemId[m], r,
                double(value));
        send(&f);
        bool got = false;
        for (int t = 0; t < 5 && !got; ++t) {
            {
                std::lock_guard<std::mutex> g(m_sendLock);
                CanFrame in;
                for (int k = 0; k < 64 && !got && m_can->recv(&in) == CanHandler::FRAME_SIZE; ++k) {
                    got = in.pf == row.pf && in.sa == MODULE_BASE + m;
                    if (!got)
                        keepForLater(in);
                }
            }
            if (!got)
                TimeSeam::sleepMs(1);
        }
        answered = answered && got;
    }
    if (answered) {
        CanFrame done = commandFrame(2, COMMAND_PF, MODULE_BASE + m);
        done.data[0] = 7;
        done.data[2] = 1;
        send(&done);
    }
    TimeSeam::sleepMs(5);
    initControlCmd(m, 7, float(m_lastInitValue));
    m_initFlag[m][0] = m_initFlag[m][1] = m_initFlag[m][2] = 1;
    return 0;
}

int DcHandler::pendingResult(int module, bool (DcHandler::*watched)(int, int) const, int group, double since,
    int limitMs)
{
    bool inFlight = false;
    bool failed = false;
    for (int m = 1; m <= MODULES; ++m) {
        if (module != 0 && m != module)
            continue;
        if (watched && !(this->*watched)(m, group))
            continue;
        const int p = m_pending[m];
        inFlight = inFlight || p == 2;
        if (p == 1) {
            failed = true;
            m_pending[m] = 0;
        }
    }
    if (failed) {
        m_settling = 0;
        return 1;
    }
    if (!inFlight) {
        m_settling = 0;
        return 0;
    }
    if (fabs(getCurrentTimeMillis() - since) > limitMs) {
        for (int m = 1; m <= MODULES; ++m)
            if (module == 0 || m == module)
                m_pending[m] = 0;
        m_settling = 0;
        return 1;
    }
    m_settling = 1;
    return 2;
}

int DcHandler::getSettingResult(int module)
{
    if (isModule(module))
        return pendingResult(module, nullptr, 0, m_sendTime[module], 1999);
    if (isGroup(module))
        return pendingResult(0, &DcHandler::onlineMember, module, m_groupSendTime[module - FIRST_GROUP], 4999);
    if (module == 0)
        return pendingResult(0, &DcHandler::onlineModule, 0, m_systemSendTime, 4999);
    return -1;
}

int DcHandler::getOperateRecord(OperateRecord* out)
{
    if (!out)
        return -1;
    std::lock_guard<std::mutex> g(m_recordLock);
    if (m_records.empty())
        return 0;
    *out = m_records.front();
    m_records.pop_front();
    return 1;
}
