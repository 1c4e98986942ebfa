// DC/DC link: fault upload and record, and the waveform captured around a fault.
#include "dchandler.h"
#include "dchandler_p.h"
#include "faultrecordfile.h"

#include <stdio.h>
#include <string.h>
#include <string>

namespace {
// Snapshot positions of the history kept before and after a fault.
const int BEFORE_FAULT[8] = { 0, 12, 28, 44, 52, 56, 58, 59 };
const int AFTER_FAULT[8] = { 0, 1, 3, 7, 15, 31, 47, 59 };
}

DcHandler::RealAnalogStruct DcHandler::snapshot(int m) const
{
    RealAnalogStruct s;
    memset(&s, 0, sizeof s);
    for (int i = 0; i < 32; ++i)
        s.values[i] = m_analog[m][i];
    return s;
}

void DcHandler::RealFaultData()
{
    for (int m = 1; m <= MODULES; ++m) {
        if (!online(m))
            continue;
        const RealAnalogStruct now = snapshot(m);
        std::deque<RealAnalogStruct>& history = m_history[m];
        FaultRealDataLog& record = m_waveRecord[m];
        if (!m_faultSeen[m]) {
            if (history.size() > HISTORY - 1)
                history.pop_front();
            history.push_back(now);
        } else if (m_preCapture[m]) {
            FaultWaveRing::get_time(&record.time);
            // A history shorter than a minute leaves its slots empty rather than holding the
            // previous fault's snapshots.
            for (int k = 0; k < 8; ++k) {
                if (history.size() == HISTORY)
                    memcpy(record.snapshots[k], history[BEFORE_FAULT[k]].values, sizeof record.snapshots[0]);
                else
                    memset(record.snapshots[k], 0, sizeof record.snapshots[0]);
            }
            history.clear();
            m_preCapture[m] = 0;
        } else {
            if (history.size() <= HISTORY - 1)
                history.push_back(now);
            if (history.size() == HISTORY) {
                for (int k = 0; k < 8; ++k)
                    memcpy(record.snapshots[9 + k], history[AFTER_FAULT[k]].values, sizeof record.snapshots[0]);
                record.module = m;
                writeFaultRealData(&record);
                m_faultSeen[m] = 0;
            }
        }
    }
}

int DcHandler::writeFaultRealData(FaultRealDataLog* record)
{
    return m_waveRing.writeFaultRealData(record);
}

int DcHandler::faultRequest(int module, int upload, const char* function)
{
    if (!isModule(module)) {
        printf("%s(%d)-modulenum error\n", function, module);
        return -1;
    }
    CanFrame f = commandFrame(2, COMMAND_PF, MODULE_BASE + module);
    f.data[0] = 6;
    f.data[2] = uint8_t(upload);
    return send(&f);
}

int DcHandler::faultUpNow(int module)
{
    return faultRequest(module, 1, __PRETTY_FUNCTION__);
}

int DcHandler::faultUpStop(int module)
{
    return faultRequest(module, 0, __PRETTY_FUNCTION__);
}

void DcHandler::decodeFaultFrame(int m, int pf)
{
    m_faultSeen[m] = 1;
    m_preCapture[m] = 1;
    memset(m_waveRecord[m].snapshots[8], 0, sizeof m_waveRecord[m].snapshots[8]);
    for (int i = 0; i < 32; ++i)
        m_waveRecord[m].snapshots[8][i] = m_analog[m][i];
    if (pf - FIRST_FAULT_PF < FAULT_FRAMES)
        collectFaultFrame(m, pf - FIRST_FAULT_PF);
}

// A module sends the frames of one upload in order, PF 48 first. A frame that repeats or goes
// back is the start of another upload; one that skips ahead follows frames that were lost. The
// raw store keeps only the last frame of each PF, so an upload is saved only when all its frames
// came in order: a record never holds frames of two uploads.
void DcHandler::collectFaultFrame(int m, int k)
{
    int& last = m_faultLast[m];
    bool& whole = m_faultWhole[m];
    if (last < 0 || k <= last) {
        if (last >= 0 && whole)
            dropFaultUpload(m, "its last frames");
        whole = k == 0;
        if (!whole)
            dropFaultUpload(m, "its first frames");
        m_faultMask[m] = 0;
    } else if (whole && k != last + 1) {
        whole = false;
        dropFaultUpload(m, "frames in the middle");
    }
    last = k;
    if (!whole) {
        m_faultMask[m] = 0;
        return;
    }
    m_faultMask[m] |= uint32_t(1) << k;
    if (m_faultMask[m] == FAULT_MASK_FULL) {
        faultUpStop(m);
        faultSave(uint8_t(m));
        m_faultMask[m] = 0;
        last = -1;
    }
}

void DcHandler::dropFaultUpload(int m, const char* lost)
{
    const int dropped = ++m_faultUploadsDropped;
    if (m_trace)
        printf("DcHandler::collectFaultFrame module %d: a fault upload that lost %s dropped (%d so far)\n", m, lost,
            dropped);
}

void DcHandler::faultSave(unsigned char module)
{
    if (!isModule(module)) {
        printf("%s(%d)-modulenum error\n", __PRETTY_FUNCTION__, module);
        return;
    }
    FaultRecord& r = *m_faultRecord;
    memset(&r, 0, sizeof r);
    const std::string time = localTimeText();
    strncpy(r.time, time.c_str(), sizeof r.time - 1);
    r.type = 2;
    r.module = module;
    // Column c holds frames 3c..3c+2; row 4 * (frame within its three) + word.
    for (int k = 0; k < FAULT_FRAMES; ++k) {
        uint8_t* raw = m_raw[module][FIRST_FAULT_PF + k];
        for (int w = 0; w < 4; ++w) {
            r.data[4 * (k % 3) + w][k / 3] = uint16_t(raw[2 * w] | (raw[2 * w + 1] << 8));
            raw[2 * w] = raw[2 * w + 1] = 0;
        }
    }
    m_faultFile->add(&r);
    m_faultFile->write();
}

int DcHandler::getFaultRecordSize()
{
    return m_faultFile->size();
}

int DcHandler::getFaultRecord(int i, FaultRecord* out)
{
    m_faultFile->get(i, out);
    return 0;
}
