// AC/DC link: fault records read from the modules, and the fault waveform ring.
#include "achandler.h"
#include "faultrecordfile.h"
#include "modbusconnection.h"
#include "timeseam.h"

#include <stdio.h>
#include <string.h>
#include <time.h>

// ---- fault capture -------------------------------------------------------------------------

void AcHandler::fillFaultRecode(int module, int type, unsigned char* reply, int length)
{
    memset(&m_faultRecord, 0, sizeof m_faultRecord);
    time_t now = TimeSeam::wallTime();
    struct tm t;
    if (localtime_r(&now, &t))
        strftime(m_faultRecord.time, sizeof m_faultRecord.time, "%Y-%m-%d %H:%M:%S", &t);
    m_faultRecord.type = type;
    m_faultRecord.module = module;

    // Registers the reply really carries: its byte count, bounded by what arrived before the CRC.
    int words = 0;
    if (reply && length >= 5) {
        int bytes = reply[2];
        if (bytes > length - 5)
            bytes = length - 5;
        words = bytes / 2;
    }
    // The module sends seven blocks of 18 registers; the record holds them as 18 rows of 7.
    for (int i = 0; i < FAULT_DATA_WORDS && i < words; ++i) {
        int block = i / FAULT_DATA_ROWS, word = i % FAULT_DATA_ROWS;
        m_faultRecord.data[word][block] = uint16_t(reply[3 + 2 * i] << 8 | reply[4 + 2 * i]);
    }
    if (m_faultFile) {
        m_faultFile->add(&m_faultRecord);
        m_faultFile->write();
    }
    printf("555555\n");
}

int AcHandler::writeFaultRealData(FaultRealDataLog* record)
{
    return m_waveRing.writeFaultRealData(record);
}

int AcHandler::getFaultRecordSize()
{
    if (m_open != 1 || !m_faultFile)
        return -1;
    return m_faultFile->size();
}

int AcHandler::getFaultRecord(int i, FaultRecord* out)
{
    if (m_open != 1 || !m_faultFile) {
        if (out)
            memset(out, 0, sizeof *out);
        return -1;
    }
    return m_faultFile->get(i, out);
}

void AcHandler::readFaultRecord(int m, DeviceStruct* d)
{
    const int kind = d->faultRequest;
    if (kind == 0)
        return;
    d->faultRequest = 0;
    cp::ModbusConnection* c = d->connection;
    // A table may give the read as a command row or as a settings row; a settings row is sent
    // as it stands, so only one whose function code reads (1 to 4) may answer: any other would
    // write that setting.
    const int id = 400 + kind;
    if (c->ctrlSignals().find(id) == c->ctrlSignals().end()) {
        auto row = c->settingSignals().find(id);
        if (row == c->settingSignals().end() || row->second->fun < 1 || row->second->fun > 4) {
            printf("AcHandler::process module %d fault record kind %d has no read row\n", m, kind);
            return;
        }
    }
    if (c->control(id, 0.0f, nullptr, 0, false) == 0)
        return;
    d->rxLength = c->getRxbuff(d->rxBuff);
    d->faultKind = kind;
    if (kind == 1)
        fillFaultRecode(m, 1, d->rxBuff, d->rxLength);
}
