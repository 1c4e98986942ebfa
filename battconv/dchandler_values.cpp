// DC/DC link: decoding of status, alarm and analog frames, and access to values and configuration.
#include "dchandler.h"
#include "saturate.h"
#include "temperaturecurve.h"

#include <mutex>
#include <stdint.h>
#include <stdio.h>

const int DcHandler::analogDataScale[128] = {
    10, 10, 10, 10, 10, 10, 10, 10, 10, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 1, 10, 10, 1, 10, 10, 1, 1, 1, 1,
};

double DcHandler::energyTotal(int id, int k) const
{
    int slot = -1;
    if (isModule(id))
        slot = id - 1;
    else if (isGroup(id))
        slot = MODULES + id - FIRST_GROUP;
    if (slot < 0 || k < 0 || k > 1)
        return 0.0;
    return m_energy[slot][k];
}

void DcHandler::decodeBits(Relaxed<int> (*table)[INDICES], int m, int first, const CanFrame* f)
{
    for (int k = 0; k < 8; ++k)
        for (int b = 0; b < 8; ++b) {
            const int index = first + 8 * k + b;
            if (index < INDICES)
                table[m][index] = (f->data[k] >> b) & 1;
        }
}

void DcHandler::decodeAnalogs(int m, const CanFrame* f)
{
    for (int i = 0; i < 4; ++i) {
        const int index = (f->pf - 16) * 4 + i;
        const int16_t word = int16_t(f->data[2 * i] | (f->data[2 * i + 1] << 8));
        // Indices without a divisor are kept as the module sent them.
        const int divisor = analogDataScale[index] != 0 ? analogDataScale[index] : 1;
        const float value = float(word) / float(divisor);
        if (f->pf == 20 && (i == 2 || i == 3)) {
            const int k = i - 2;
            m_energy[m - 1][k] += value;
            for (int g = FIRST_GROUP; g <= FIRST_GROUP + 3; ++g)
                if (member(m, g))
                    m_energy[MODULES + g - FIRST_GROUP][k] += value;
            m_analog[m][index] = float(m_energy[m - 1][k]);
        } else {
            m_analog[m][index] = value;
        }
    }
}

void DcHandler::decodePriority7(const CanFrame* f)
{
    if (f->pf != 0xC0 || f->sa < 0x41 || f->sa > 0x40 + MODULES)
        return;
    const int n = f->sa - 0x40;
    m_p7[n][0] = int16_t(f->data[2] | (f->data[3] << 8)) * 0.01f;
    m_p7[n][1] = int16_t(f->data[4] | (f->data[5] << 8)) * 0.01f;
    float sums[2] = { 0.0f, 0.0f };
    for (int k = 1; k <= MODULES; ++k) {
        sums[0] += m_p7[k][0];
        sums[1] += m_p7[k][1];
    }
    m_p7Sum[0] = sums[0];
    m_p7Sum[1] = sums[1];
}

bool DcHandler::paramValue(int id, int index, float* out)
{
    std::lock_guard<std::mutex> g(m_paramLock);
    auto file = m_paramMaps.find(id);
    if (file == m_paramMaps.end())
        return false;
    auto it = file->second.find(index);
    if (it == file->second.end() || !it->second)
        return false;
    *out = it->second->value;
    return true;
}

int DcHandler::getConfig(int module, int index, float* out)
{
    if (!out || index < 0 || index >= INDICES)
        return -1;
    int id;
    if (module == 0)
        id = SYSTEM_PARAMS;
    else if (isModule(module) || isGroup(module))
        id = module;
    else
        return -1;
    float v;
    if (paramValue(id, index, &v))
        *out = v;
    return 0;
}

int DcHandler::groupStatus(int g, int index)
{
    const bool fromHost = (index >= 0 && index <= 7) || index == 16 || (index >= 48 && index <= 55);
    const bool anyOf = index == 24 || index == 25 || index == ONLINE;
    if (!fromHost && !anyOf)
        return 0;
    for (int m = 1; m <= MODULES; ++m) {
        if (!online(m) || !member(m, g))
            continue;
        if (fromHost && m_status[m][18] == 1)
            return m_status[m][index];
        if (anyOf && m_status[m][index] == 1)
            return 1;
    }
    return 0;
}

int DcHandler::getStatus(int module, int index)
{
    if (index < 0 || index >= INDICES) {
        printf("%s(%d)-error index=%d\n", __PRETTY_FUNCTION__, __LINE__, index);
        return 0;
    }
    if (isModule(module))
        return m_status[module][index];
    if (isGroup(module))
        return groupStatus(module, index);
    if ((module >= 65 && module <= 79) || (module >= 128 && module <= 143))
        return upgradeStatus(module, index);
    if (module == 0) {
        if (index == ONLINE)
            return m_status[0][ONLINE];
        const bool fromHost = (index >= 0 && index <= 7) || (index >= 32 && index <= 47);
        const bool anyOf = index == 24 || index == 25;
        for (int m = 1; m <= MODULES; ++m) {
            if (!online(m))
                continue;
            if (fromHost && m_status[m][17] == 1)
                return m_status[m][index];
            if (anyOf && m_status[m][index] == 1)
                return 1;
        }
        return 0;
    }
    return 0;
}

int DcHandler::groupAlarm(int g, int index)
{
    for (int m = 1; m <= MODULES; ++m)
        if (online(m) && member(m, g) && m_alarm[m][index] != 0)
            return 1;
    return 0;
}

int DcHandler::getAlarm(int module, int index)
{
    if (index < 0 || index >= INDICES)
        return 0;
    if (isModule(module))
        return m_alarm[module][index] != 0 ? 1 : 0;
    if (isGroup(module))
        return groupAlarm(module, index);
    if (module == 0) {
        for (int g = FIRST_GROUP; g <= LAST_GROUP; ++g)
            if (groupStatus(g, ONLINE) && groupAlarm(g, index))
                return 1;
    }
    return 0;
}

float DcHandler::moduleAnalog(int m, int index)
{
    if (index == 20)
        return float(TemperatureCurve::getTemperature(m_analog[m][20]));
    if (index == 25)
        return float(TemperatureCurve::getEnvTemperatureU1(m_analog[m][25]));
    return m_analog[m][index];
}

float DcHandler::groupAnalog(int g, int index)
{
    if (index >= 80 && index <= 83) {
        const uint32_t total = uint32_t(Saturate::toInt32(m_energy[MODULES + g - FIRST_GROUP][index <= 81 ? 0 : 1]));
        return float((index % 2 == 0) ? (total >> 16) & 0xFFFF : total & 0xFFFF);
    }
    const bool fromHost = (index >= 0 && index <= 3) || index == 20 || index == 21 || (index >= 23 && index <= 27);
    const bool summed = (index >= 4 && index <= 8) || index == 18 || index == 19;
    float sum = 0.0f;
    for (int m = 1; m <= MODULES; ++m) {
        if (!online(m) || !member(m, g))
            continue;
        if (fromHost && m_status[m][18] == 1)
            return moduleAnalog(m, index);
        if (summed)
            sum += moduleAnalog(m, index);
    }
    return sum;
}

int DcHandler::getAnalog(int module, int index, float* out)
{
    if (!out || index < 0 || index >= INDICES)
        return -1;
    if (isModule(module)) {
        *out = moduleAnalog(module, index);
    } else if (isGroup(module)) {
        *out = groupAnalog(module, index);
    } else if (module == 0) {
        // No group ever reports status 17, so the values that would come from the system's
        // host are summed over the groups as well.
        const bool summed = (index >= 0 && index <= 8) || index == 18 || index == 19 || index == 20
            || (index >= 23 && index <= 27);
        float sum = 0.0f;
        if (summed)
            for (int g = FIRST_GROUP; g <= LAST_GROUP; ++g)
                if (groupStatus(g, ONLINE))
                    sum += groupAnalog(g, index);
        *out = sum;
    } else if (module == 20) {
        if (index == 100)
            *out = m_p7Sum[0];
        else if (index == 101)
            *out = m_p7Sum[1];
    } else {
        *out = 0.0f;
    }
    return 0;
}
