// AC/DC link: the settings queue, its results and records, and the replay of initial settings.
#include "achandler.h"
#include "achandler_p.h"
#include "modbusconnection.h"
#include "paramfile.h"
#include "saturate.h"
#include "timeseam.h"
#include "typedvalue.h"

#include <list>
#include <stdio.h>
#include <string.h>
#include <time.h>

namespace {

const char* const INTERNAL_SETTING_NAME = "void AcHandler::internalSetting()";

// Configuration values that the parameter files do not take from a write.
bool isSpecial(int index)
{
    return index == 77 || index == 78 || index == 87 || index == 89 || index == 91;
}

// Indices whose changes the operation log keeps.
bool isLogged(int index)
{
    return index <= 199 || (index >= 261 && index <= 380);
}

bool isModuleLogged(int index)
{
    return index <= 200 || (index >= 261 && index <= 380);
}

}

// ---- settings queue ------------------------------------------------------------------------

bool AcHandler::paramValue(int id, int index, float* out)
{
    DeviceStruct* d = device(id);
    if (!d || !d->paramMap)
        return false;
    auto it = d->paramMap->find(index);
    if (it == d->paramMap->end() || !it->second)
        return false;
    *out = it->second->value;
    return true;
}

void AcHandler::addParam(int id, int index, float value, bool write)
{
    DeviceStruct* d = device(id);
    if (!d || !d->paramFile)
        return;
    ParamRecord r;
    r.index = index;
    r.value = value;
    r.saved = 0;
    if (d->paramFile->add(&r) != 1)
        printf("AcHandler::addParam device %d index %d value %f not taken\n", id, index, value);
    if (write)
        d->paramFile->write();
}

void AcHandler::rememberSystemCommand(int index, float value)
{
    if (index == 69) {
        m_setting69 = uint16_t(Saturate::toInt16(value));
        m_setting69Flag = 1;
    } else if (index == 67) {
        m_setting67 = Saturate::toInt32(value);
    }
}

void AcHandler::queueRecord(int code, int index, double oldValue, double newValue, int dirty)
{
    OperateRecord r;
    memset(&r, 0, sizeof r);
    time_t now = TimeSeam::wallTime();
    struct tm t;
    if (localtime_r(&now, &t))
        strftime(r.time, sizeof r.time, "%Y-%m-%d %H:%M:%S", &t);
    r.oid = index;
    strcpy(r.name, "  ");
    r.modules = code;
    r.rdata = oldValue;
    r.mdata = newValue;
    r.dirty = dirty;
    std::lock_guard<std::mutex> g(m_recordLock);
    m_records.push_back(r);
}

int AcHandler::queueWrite(int module, int index, float value, bool forSystem)
{
    DeviceStruct* d = device(module);
    if (!d || !d->connection)
        return -1;
    if (d->writePending != 0)
        return -2;
    d->pendingIndex = index;
    d->pendingValue = value;
    d->result = 0;
    d->forSystem = forSystem ? 1 : 0;
    d->writePending = 1;
    if (forSystem)
        ++m_systemParts;
    m_writeWaiting = 1;
    return 0;
}

void AcHandler::beginSystemWrite()
{
    // A write that joins an outstanding one shares its result.
    if (m_systemWriteDone) {
        m_systemResult = 0;
        m_systemWriteDone = 0;
    }
}

int AcHandler::setting(int module, int index, float value, int broadcastFlag)
{
    if (m_open != 1)
        return -1;
    if (module == 0 && index >= 10000 && index <= 10098) {
        // The tables are saved whole by another thread: no half-updated table reaches the file.
        std::lock_guard<std::recursive_mutex> energyLock(m_energy.lock());
        EnergyImage::Data& e = m_energy.data();
        if (index >= 10000 && index <= 10047) {
            e.firstPrice[index - 10000] = value;
            return 0;
        }
        if (index >= 10050 && index <= 10097) {
            e.secondPrice[index - 10050] = value;
            return 0;
        }
        if (index == 10048 || index == 10098) {
            m_correction[index == 10048 ? 0 : 1] = value;
            return 0;
        }
    }
    if (m_debug)
        printf("AcHandler::setting  moduleId=%d  index=%d fdata=%f broadcastFlag=%d \n", module, index, value,
            broadcastFlag);
    if (index > 500 || index < 0)
        return -1;
    const bool single = isModule(module);
    const bool branch = module >= FIRST_BRANCH && module < FIRST_BRANCH + BRANCHES;
    if (!single && module != 0 && !branch) {
        printf("AcHandler::setting module %d does not exist\n", module);
        return -1;
    }
    // Nobody would ever send it, and the caller would wait for its result for good.
    if (!m_polling) {
        printf("AcHandler::setting module %d index %d refused: the line is not polled\n", module, index);
        return -1;
    }

    int result = 0;
    if (single) {
        if (getModuleStatus(module) != 0) {
            result = -3;
        } else {
            std::lock_guard<std::mutex> g(m_writeLock);
            result = queueWrite(module, index, value, false);
        }
    } else if (module == 0) {
        result = systemSetting(index, value);
    } else {
        std::lock_guard<std::mutex> g(m_writeLock);
        beginSystemWrite();
        result = branchSetting(module - 1000, index, value, broadcastFlag);
    }
    // Ends a poll in progress, so the write goes out at once.
    DeviceStruct* sys = device(0);
    if (sys && sys->connection)
        sys->connection->setInterruptEvent();
    return result;
}

int AcHandler::systemSetting(int index, float value)
{
    const bool special = isSpecial(index);
    float old = 0.0f;
    const bool known = paramValue(0, index, &old);
    int result = 0;
    {
        std::lock_guard<std::mutex> g(m_writeLock);
        if (known && !special) {
            addParam(0, index, value);
            rememberSystemCommand(index, value);
        }
        beginSystemWrite();
        for (int u : { U2_UNIT, SECOND_UNIT }) {
            if (getModuleStatus(u) == 0)
                result |= queueWrite(u, index, value, true) != 0 ? -2 : 0;
            else if (!special)
                addParam(u, index, value);
        }
        for (int b = 1; b <= BRANCHES; ++b)
            result |= branchSetting(b, index, value, 1);
        m_writeWaiting = 1;
    }
    printf("ac setting \n");
    queueRecord(1100, index, known ? old : 0.0, value, isLogged(index) ? 1 : 0);
    return result;
}

int AcHandler::branchSetting(int b, int index, float value, int broadcastFlag)
{
    const int id = 1000 + b;
    float old = 0.0f;
    const bool known = paramValue(id, index, &old);
    if (known && !isSpecial(index)) {
        addParam(id, index, value);
        rememberSystemCommand(index, value);
    }
    if (index == 70)
        m_branch70[b - 1] = value;
    else if (index == 66)
        m_branch66[b - 1] = value;

    int result = 0;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (getModuleStatus(j) != 0)
            continue;
        const int member = raw(j, 8 + b);
        if (member < 1000 || member > 1999)
            continue;
        if (index == 70) {
            m_slot70[j] = value;
            m_send70[j] = 1;
            ++m_slot70Seq[j];
            if (!m_slot70ForSystem[j]) {
                m_slot70ForSystem[j] = 1;
                ++m_systemParts;
            }
        } else if (queueWrite(j, index, value, true) != 0) {
            result = -2;
        }
    }
    m_systemWriteDone = 0;
    m_writeWaiting = 1;
    if (broadcastFlag == 0)
        queueRecord(1100 + b, index, known ? old : 0.0, value, isLogged(index) ? 1 : 0);
    return result;
}

void AcHandler::recordSent(int module, int index, float value)
{
    float old = 0.0f;
    if (!paramValue(module, index, &old))
        return;
    printf("%s(%d)\n", INTERNAL_SETTING_NAME, 1831);
    const bool logged = isModuleLogged(index);
    if (logged)
        queueRecord(100 + module, index, old, value, 1);
    if (!isSpecial(index))
        addParam(module, index, value, logged);
}

void AcHandler::internalSetting()
{
    if (m_open != 1)
        return;
    for (int j = 1; j <= HIGHEST_ID; ++j) {
        DeviceStruct* d = device(j);
        if (!d || !d->connection)
            continue;
        int index = 0, seq = 0;
        float value = 0.0f;
        bool write = false, setpoint = false, forSystem = false;
        {
            std::lock_guard<std::mutex> g(m_writeLock);
            if (d->writePending == 1) {
                d->writePending = 2;
                index = d->pendingIndex;
                value = d->pendingValue;
                forSystem = d->forSystem != 0;
                write = true;
            } else if (m_send70[j] == 1) {
                value = m_slot70[j];
                seq = m_slot70Seq[j];
                forSystem = m_slot70ForSystem[j] != 0;
                setpoint = true;
            }
        }
        if (write) {
            int r = 0;
            if (getModuleStatus(j) == 0 || j <= MAX_MODULES)
                r = d->connection->control(index, value, nullptr, 0, false) == 1 ? 0 : 1;
            if (m_debug)
                printf("internalSetting module %d  index=%d fdata=%f ret=%d\n", j, index, value, r);
            // The record is queued before the result shows, so a caller that sees the write done
            // also finds its record.
            if (r == 0)
                recordSent(j, index, value);
            {
                std::lock_guard<std::mutex> g(m_writeLock);
                d->result = r;
                d->writePending = 0;
                if (forSystem) {
                    m_systemResult |= r;
                    --m_systemParts;
                }
            }
        } else if (setpoint) {
            const bool ok = d->connection->control(70, value, nullptr, 0, false) != 0;
            if (ok)
                recordSent(j, 70, value);
            {
                std::lock_guard<std::mutex> g(m_writeLock);
                // A newer set-point that came in meanwhile still has to go out.
                if (ok && m_slot70Seq[j] == seq)
                    m_send70[j] = 0;
                if (forSystem && m_slot70ForSystem[j]) {
                    m_slot70ForSystem[j] = 0;
                    m_systemResult |= ok ? 0 : 1;
                    --m_systemParts;
                }
            }
        }
    }
    std::lock_guard<std::mutex> g(m_writeLock);
    if (m_systemWriteDone == 0 && m_systemParts <= 0) {
        m_systemParts = 0;
        device(0)->result = getModuleStatus(0) == 0 ? m_systemResult : 1;
        m_systemWriteDone = 1;
    }
}

int AcHandler::getSettingResult(int module)
{
    if (m_open != 1 || module < 0)
        return -1;
    if (module > m_moduleCount && module != U2_UNIT && module != SECOND_UNIT && module < FIRST_BRANCH)
        return -2;
    if (module >= FIRST_BRANCH)
        module = 0;
    DeviceStruct* d = device(module);
    if (!d)
        return -2;
    if (d->values[0] != 0)
        return 1;
    std::lock_guard<std::mutex> g(m_writeLock);
    if (module == 0)
        return m_systemWriteDone == 0 ? 2 : d->result;
    return d->writePending != 0 ? 2 : d->result;
}

int AcHandler::getOperateRecord(OperateRecord* out)
{
    if (m_open != 1) {
        if (out)
            memset(out, 0, sizeof *out);
        return -1;
    }
    if (!out)
        return -1;
    std::lock_guard<std::mutex> g(m_recordLock);
    if (m_records.empty())
        return 0;
    memset(out, 0, sizeof *out);
    *out = m_records.front();
    m_records.pop_front();
    return 1;
}

// ---- initial-settings replay ---------------------------------------------------------------

void AcHandler::resetOneShot(DeviceStruct* source, int index)
{
    // Every file that holds the parameter forgets it, the source's own file included, so that
    // the value on disk agrees with the one in memory.
    std::list<Modbus485::ParamFile*> files;
    if (source && source->paramFile)
        files.push_back(source->paramFile);
    for (int id : { 0, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008 }) {
        DeviceStruct* d = device(id);
        if (d && d->paramFile && d != source)
            files.push_back(d->paramFile);
    }
    ParamRecord r;
    r.index = index;
    r.value = 0.0f;
    r.saved = 0;
    for (Modbus485::ParamFile* f : files) {
        f->add(&r);
        f->write();
    }
}

void AcHandler::fillBlock(unsigned char* block, DeviceStruct* source, int first, bool oneShot, int branch, int module)
{
    memset(block, 0, 256);
    for (int k = 0; k < m_initSettingLength && k < MAX_INIT_LENGTH; ++k) {
        const int index = first + k;
        // A parameter the file lacks goes out as 0 in its own place.
        float value = 0.0f;
        if (source->paramMap) {
            auto it = source->paramMap->find(index);
            if (it != source->paramMap->end() && it->second)
                value = it->second->value;
        }
        if (oneShot && (index == 87 || index == 92 || index == 96) && value != 0.0f) {
            resetOneShot(source, index);
            value = 0.0f;
        }
        // The same conversion as a setting of this parameter, so both send the same word.
        const int scale = m_settingFlag[index];
        int64_t whole = 0;
        if (!cp::TypedValue::scaledWord(value, scale, &whole))
            whole = 0;
        const int32_t word = Saturate::toInt32(double(whole));
        block[2 * k] = uint8_t((uint32_t(word) >> 8) & 0xFF);
        block[2 * k + 1] = uint8_t(uint32_t(word) & 0xFF);
        if (m_debug)
            printf("%s-initAc subsys %d module=%d  index %d  fdata %f  \n ", PROCESS_NAME, branch, module, index,
                scale * value);
    }
}

void AcHandler::replayInitialSettings(int module)
{
    DeviceStruct* md = device(module);
    if (m_open != 1 || !md || !md->connection)
        return;
    DeviceStruct* source = md;
    int branch = 0;
    if (module < U2_UNIT) {
        float type = 0.0f;
        getConfig(0, 156, &type);
        const int t = Saturate::toInt32(type);
        if (m_debug)
            printf("%s-Mach Type Index %d\n ", PROCESS_NAME, t);
        selectRackRow(t > 110 ? 0 : t);
        branch = rackBranchOf(module);
        if (branch >= 1 && branch <= BRANCHES)
            source = device(1000 + branch);
    }
    // A branch outside 1..8 in the rack text sends no parameters.
    if (branch >= 0 && source) {
        unsigned char block[256];
        int v69 = 0;
        {
            std::lock_guard<std::mutex> g(m_writeLock);
            v69 = m_setting69;
        }
        fillBlock(block, source, 71, true, branch, module);
        block[36] = uint8_t(v69 >> 8);
        block[37] = uint8_t(v69 & 0xFF);
        md->connection->control(400, 0.0f, reinterpret_cast<char*>(block), 240, false);
        fillBlock(block, source, 261, false, branch, module);
        md->connection->control(404, 0.0f, reinterpret_cast<char*>(block), 240, false);
    }
    int flag69 = 0, v69 = 0, v67 = 0;
    {
        std::lock_guard<std::mutex> g(m_writeLock);
        flag69 = m_setting69Flag;
        v69 = m_setting69;
        v67 = m_setting67;
    }
    if (flag69 == 1)
        md->connection->control(69, float(int16_t(uint16_t(v69))), nullptr, 0, false);
    md->connection->control(67, float(v67), nullptr, 0, false);
    if (module <= HIGHEST_ID) {
        m_resend70[module] = 1;
        m_resend66[module] = 1;
    }
}
