// AC/DC link: the system and branch values made from the modules', value access and the energy totals.
#include "achandler.h"
#include "saturate.h"
#include "temperaturecurve.h"
#include "timeseam.h"

#include <math.h>
#include <mutex>
#include <time.h>

namespace {

bool isAccumulatorIndex(int index)
{
    return index == 122 || index == 123 || index == 124 || index == 162 || index == 163
        || (index >= 178 && index <= 185);
}

}

// ---- system values -------------------------------------------------------------------------

bool AcHandler::isModule(int module) const
{
    return (module >= 1 && module <= m_moduleCount) || module == U2_UNIT || module == SECOND_UNIT;
}

bool AcHandler::hasValues(int module) const
{
    return module == 0 || isModule(module);
}

int AcHandler::raw(int module, int index)
{
    DeviceStruct* d = device(module);
    if (!d || index < 0 || index >= TABLE_SIZE)
        return 0;
    return d->values[index];
}

int AcHandler::getModuleStatus(int module)
{
    if (m_open != 1 || module < 0)
        return -1;
    if (module >= FIRST_BRANCH) {
        if (module >= FIRST_BRANCH + BRANCHES)
            return -3;
        return Saturate::toInt32(and_process_fun(module - 1000, 0));
    }
    if (module == 0)
        return raw(0, 0);
    DeviceStruct* d = isModule(module) ? device(module) : nullptr;
    if (!d)
        return -3;
    if (d->receivedCount < 2)
        return 1;
    return d->values[0];
}

bool AcHandler::counts(int module)
{
    if (m_statusTaken && module >= 0 && module <= HIGHEST_ID)
        return m_statusAt[module] == 0;
    return getModuleStatus(module) == 0;
}

void AcHandler::systemprocessingdata()
{
    if (m_open != 1 || !device(0))
        return;
    for (int m = 0; m <= HIGHEST_ID; ++m)
        m_statusAt[m] = getModuleStatus(m);
    m_statusTaken = true;
    for (int i = 0; i < m_systemIndexCount && i < TABLE_SIZE; ++i) {
        switch (m_processType[i]) {
        case 1: or_process_fun(i); break;
        case 2: and_process_fun(i); break;
        case 3: add_process_fun(i); break;
        case 4: average_process_fun(i); break;
        case 5: max_process_fun(i); break;
        case 6: min_process_fun(i); break;
        case 7: host_process_fun(i); break;
        case 8: u2_or_add_process_fun(i); break;
        case 9: u2_or_host_fun(i); break;
        case 10: u2_or_calc_fuc(i); break;
        default: device(0)->values[i] = 0; break;
        }
    }
    m_statusTaken = false;
}

void AcHandler::or_process_fun(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    int v = 0;
    for (int j = 1; j <= m_moduleCount; ++j)
        if (counts(j))
            v |= raw(j, index);
    if (index != 49 && index != 50) {
        for (int u : { U2_UNIT, SECOND_UNIT })
            if (counts(u))
                v |= raw(u, index);
    }
    sys->values[index] = v;
}

void AcHandler::and_process_fun(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    int v = 1000;
    for (int j = 1; j <= m_moduleCount && v; ++j)
        if (counts(j) && raw(j, index) == 0)
            v = 0;
    for (int u : { U2_UNIT, SECOND_UNIT })
        if (v && counts(u) && raw(u, index) == 0)
            v = 0;
    sys->values[index] = v;
}

void AcHandler::sumRule(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    if (index == 177) {
        int r176 = sys->values[176];
        sys->values[177] = r176 == 0 ? 0 : Saturate::toInt32(sys->values[174] * 1000.0 / r176);
        return;
    }
    float s = 0.0f;
    for (int j = 1; j <= m_moduleCount; ++j)
        if (counts(j))
            s += float(raw(j, index));
    sys->values[index] = Saturate::toInt32(s);
}

void AcHandler::add_process_fun(int index)
{
    sumRule(index);
}

void AcHandler::average_process_fun(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    float s = 0.0f;
    int n = 0;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (counts(j)) {
            s += float(raw(j, index));
            ++n;
        }
    }
    sys->values[index] = n ? Saturate::toInt32(s / float(n)) : 0;
}

// The largest (or smallest) fixed-point value of the counted modules; 0 when none counts.
void AcHandler::extreme_process_fun(int index, bool largest)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    bool any = false;
    int v = 0;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (!counts(j))
            continue;
        int r = raw(j, index);
        if (!any || (largest ? r > v : r < v))
            v = r;
        any = true;
    }
    sys->values[index] = v;
}

void AcHandler::max_process_fun(int index)
{
    extreme_process_fun(index, true);
}

void AcHandler::min_process_fun(int index)
{
    extreme_process_fun(index, false);
}

void AcHandler::host_process_fun(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    if (m_systemHost == 0)
        sys->values[index] = 0;
    else if (m_systemHost >= 1 && m_systemHost <= HIGHEST_ID)
        sys->values[index] = raw(m_systemHost, index);
}

void AcHandler::copyFromU2(int index)
{
    DeviceStruct* sys = device(0);
    if (sys && index >= 0 && index < TABLE_SIZE)
        sys->values[index] = raw(U2_UNIT, index);
}

void AcHandler::u2_or_add_process_fun(int index)
{
    if (m_u2)
        copyFromU2(index);
    else
        sumRule(index);
}

void AcHandler::u2_or_host_fun(int index)
{
    if (m_u2)
        copyFromU2(index);
    else
        host_process_fun(index);
}

void AcHandler::u2_or_calc_fuc(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    if (m_u2) {
        copyFromU2(index);
        return;
    }
    Relaxed<int>* r = sys->values;
    auto v = [r](int k) { return float(r[k]) / 1000.0f; };
    auto ratio = [](int num, int den) { return den == 0 ? 0 : Saturate::toInt32(fabs(num * 1000.0 / den)); };
    switch (index) {
    case 142:
    case 143:
    case 144: {
        // Phase magnitude from its two components.
        float a = v(index - 6), b = v(index - 3);
        float s = a * a + b * b;
        r[index] = Saturate::toInt32(sqrt(double(s)) * 1000.0);
        break;
    }
    case 145:
    case 146:
    case 147:
        r[index] = ratio(r[index - 9], r[index - 3]);
        break;
    case 176:
        r[176] = Saturate::toInt32(double(r[142]) + double(r[143]) + double(r[144]));
        break;
    case 177:
        r[177] = ratio(r[174], r[176]);
        break;
    default:
        break;
    }
}

void AcHandler::is_u2(int machineType)
{
    switch (machineType) {
    case 14: case 15: case 16: case 24: case 100: case 101:
        m_u2 = 0;
        break;
    default:
        m_u2 = 1;
        break;
    }
}

bool AcHandler::takesPart(int module, int branch, int index, float* value)
{
    // A member module that answers: its status (getModuleStatus) is 0 and its membership value
    // 8 + branch is not, read here from the module's values at once, since a branch value asks
    // this of every module for every point.
    if (m_open != 1 || module < 1 || module >= FIRST_BRANCH)
        return false;
    DeviceStruct* d = isModule(module) ? device(module) : nullptr;
    if (!d || d->receivedCount < 2 || d->values[0] != 0)
        return false;
    // Whole units after the scale of 1000: a member from 1.000 up (or down from -1.000).
    const int membership = d->values[8 + branch];
    if (membership > -1000 && membership < 1000)
        return false;
    // A module's own value as getdata gives it, without its checks again for every member.
    if (isAccumulatorIndex(index))
        return getdata(module, index, value) == 0;
    *value = float(d->values[index]) / 1000.0f;
    return true;
}

float AcHandler::or_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    int v = 0;
    float x;
    for (int j = 1; j <= m_moduleCount; ++j)
        if (takesPart(j, branch, index, &x))
            v |= Saturate::toInt32(x);
    return float(v);
}

float AcHandler::and_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    if (m_moduleCount < 1)
        return 1.0f;
    uint32_t v = 0xFFFFFFFFu;
    float x;
    for (int j = 1; j <= m_moduleCount; ++j)
        if (takesPart(j, branch, index, &x))
            v &= Saturate::toUint32(x);
    return v == 0xFFFFFFFFu ? 1.0f : float(v);
}

float AcHandler::add_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    if (index == 177) {
        float p = 0.0f, s = 0.0f;
        getdata(1000 + branch, 174, &p);
        getdata(1000 + branch, 176, &s);
        return s == 0.0f ? 0.0f : p / s;
    }
    float sum = 0.0f, x;
    for (int j = 1; j <= m_moduleCount; ++j)
        if (takesPart(j, branch, index, &x))
            sum += x;
    return sum;
}

float AcHandler::average_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    float sum = 0.0f, x;
    int n = 0;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (takesPart(j, branch, index, &x)) {
            sum += x;
            ++n;
        }
    }
    return n ? sum / float(n) : 0.0f;
}

// The first member's value, replaced by a strictly larger (smaller) one; 0.0 when none.
float AcHandler::extreme_process_fun(int branch, int index, bool largest)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    bool any = false;
    float v = 0.0f, x;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (takesPart(j, branch, index, &x)) {
            if (!any || (largest ? x > v : x < v))
                v = x;
            any = true;
        }
    }
    return v;
}

float AcHandler::max_process_fun(int branch, int index)
{
    return extreme_process_fun(branch, index, true);
}

float AcHandler::min_process_fun(int branch, int index)
{
    return extreme_process_fun(branch, index, false);
}

float AcHandler::host_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    int host = m_branchHost[branch - 1];
    if (host < 0 || host > HIGHEST_ID || index < 0 || index >= TABLE_SIZE)
        return 0.0f;
    return float(raw(host, index)) / 1000.0f;
}

// ---- value access --------------------------------------------------------------------------

int AcHandler::accumulatorGroup(int module) const
{
    if ((module >= 0 && module <= m_moduleCount) || module == U2_UNIT)
        return module;
    if (module >= FIRST_BRANCH && module < FIRST_BRANCH + BRANCHES)
        return HIGHEST_ID + (module - 1000);
    return -1;
}

int AcHandler::getdata(int module, int index, float* out)
{
    if (m_open != 1 || !out)
        return -1;
    if (index < 0 || index >= VALUE_INDICES) {
        *out = 0.0f;
        return -1;
    }
    if (isAccumulatorIndex(index)) {
        int g = accumulatorGroup(module);
        if (g < 0) {
            *out = 0.0f;
            return -2;
        }
        std::lock_guard<std::recursive_mutex> energyLock(m_energy.lock());
        const double* acc = m_energy.data().accumulators[g];
        switch (index) {
        case 122: *out = float(acc[EnergyImage::A] + (module == 0 ? m_correction[0] : 0.0)); break;
        case 123: *out = float(acc[EnergyImage::B] + (module == 0 ? m_correction[1] : 0.0)); break;
        case 162: *out = float(acc[EnergyImage::C]); break;
        case 163: *out = float(acc[EnergyImage::D]); break;
        case 124: *out = float(acc[EnergyImage::E]); break;
        default: {
            // Two 16-bit halves for the upward registers: high with its sign, low unsigned.
            int32_t whole = Saturate::toInt32(acc[(index - 178) / 2]);
            if (index % 2 == 0)
                *out = float(whole >> 16);
            else
                *out = float(uint32_t(whole) & 0xFFFFu);
            break;
        }
        }
        return 0;
    }
    if (hasValues(module)) {
        DeviceStruct* d = device(module);
        if (!d) {
            *out = 0.0f;
            return -2;
        }
        *out = float(d->values[index]) / 1000.0f;
        return 0;
    }
    if (module >= FIRST_BRANCH && module < FIRST_BRANCH + BRANCHES) {
        int b = module - 1000;
        switch (m_processType[index]) {
        case 1: *out = or_process_fun(b, index); break;
        case 2: *out = and_process_fun(b, index); break;
        case 3: *out = add_process_fun(b, index); break;
        case 4: *out = average_process_fun(b, index); break;
        case 5: *out = max_process_fun(b, index); break;
        case 6: *out = min_process_fun(b, index); break;
        case 7: *out = host_process_fun(b, index); break;
        default: *out = 0.0f; break;
        }
        return 0;
    }
    *out = 0.0f;
    return -2;
}

int AcHandler::getConfig(int module, int index, float* out)
{
    if (m_open != 1) {
        if (out)
            *out = 0.0f;
        return -1;
    }
    if (!out)
        return -1;
    if (!(module >= 0 && module <= HIGHEST_ID) && !(module >= FIRST_BRANCH && module < FIRST_BRANCH + BRANCHES))
        return -1;
    DeviceStruct* d = device(module);
    if (!d || !d->paramMap)
        return -1;
    auto it = d->paramMap->find(index);
    if (it == d->paramMap->end() || !it->second)
        return -1;
    *out = it->second->value;
    return 0;
}

int AcHandler::getTemperature(float raw)
{
    return TemperatureCurve::getTemperature(raw);
}

int AcHandler::getEnvTemperatureU1(float raw)
{
    return TemperatureCurve::getEnvTemperatureU1(raw);
}

int AcHandler::getTemperatureModule11(float raw)
{
    return TemperatureCurve::getTemperatureModule11(raw);
}

// ---- energy --------------------------------------------------------------------------------

void AcHandler::loadData()
{
    m_energy.load();
}

int AcHandler::writeData()
{
    return m_energy.writeData();
}

int AcHandler::getCharge(int year, int month, int day, int halfHour, float* out)
{
    return m_energy.getCharge(year, month, day, halfHour, out);
}

int AcHandler::getDischarge(int year, int month, int day, int halfHour, float* out)
{
    return m_energy.getDischarge(year, month, day, halfHour, out);
}

int AcHandler::getMoney(int year, int month, int day, int halfHour, float* out)
{
    return m_energy.getMoney(year, month, day, halfHour, out);
}

int AcHandler::getDayDischarge(int year, int month, int day, float* out)
{
    return m_energy.getDayDischarge(year, month, day, out);
}

void AcHandler::integrateEnergy(int module, const std::map<int, float>& values)
{
    if (module < 0 || module > HIGHEST_ID)
        return;
    auto value = [&values](int k) {
        auto it = values.find(k);
        // A value that is not a number would spoil a total for good.
        return it == values.end() || !isfinite(it->second) ? 0.0f : it->second;
    };
    const float a = value(122), b = value(123), c = value(162), d = value(163), e = value(124);
    std::lock_guard<std::recursive_mutex> energyLock(m_energy.lock());
    auto addTo = [&](int group) {
        double* g = m_energy.data().accumulators[group];
        g[EnergyImage::A] += a;
        g[EnergyImage::B] += b;
        g[EnergyImage::C] += c;
        g[EnergyImage::D] += d;
        g[EnergyImage::E] += e;
    };
    addTo(module);

    time_t now = TimeSeam::wallTime();
    struct tm t;
    if (localtime_r(&now, &t)) {
        if (module != U2_UNIT)
            m_energy.addHalfHour(t, a, b);
        else
            m_energy.addDayDischarge(t, d);
    }

    // Only branch members count for the system, each in its first branch only.
    for (int br = 1; br <= BRANCHES; ++br) {
        if (value(8 + br) == 1.0f) {
            addTo(HIGHEST_ID + br);
            addTo(0);
            break;
        }
    }
}
