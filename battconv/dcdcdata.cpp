#include "dcdcdata.h"
#include "dchandler.h"

#include <stdio.h>

DcdcData::DcdcData(const char* canIf, int bitrate, int periodMs, bool trace)
    : m_handler(new DcHandler(canIf, bitrate, periodMs, trace)), m_powerFactor(1.0f), m_active(0.0f), m_reactive(0.0f)
{
    char text[256];
    printf("libbattconv.so  Version %d\t", m_handler->getVersion(text, sizeof text));
    printf("buildTime   %s\n", text);
}

DcdcData::~DcdcData()
{
    m_handler->close();
    delete m_handler;
}

std::atomic<float>* DcdcData::cached(int module, int index)
{
    if (module != 20 && module != 30)
        return nullptr;
    switch (index) {
    case 85: return &m_powerFactor;
    case 87: return &m_active;
    case 76: return &m_reactive;
    default: return nullptr;
    }
}

int DcdcData::open()
{
    return m_handler->open();
}

int DcdcData::close()
{
    return m_handler->close();
}

int DcdcData::getAnalog(int module, int index, float* out)
{
    return m_handler->getAnalog(module, index, out);
}

int DcdcData::getStatus(int module, int index)
{
    return m_handler->getStatus(module, index);
}

int DcdcData::getAlarm(int module, int index)
{
    return m_handler->getAlarm(module, index);
}

int DcdcData::getConfig(int module, int index, float* out)
{
    std::atomic<float>* c = module == 20 ? cached(module, index) : nullptr;
    if (c && out) {
        *out = *c;
        return 0;
    }
    return m_handler->getConfig(module, index, out);
}

int DcdcData::setting(int module, int index, float value, int broadcastFlag)
{
    const int r = m_handler->setting(module, index, value, broadcastFlag);
    if (std::atomic<float>* c = cached(module, index))
        *c = value;
    return r;
}

int DcdcData::getSettingResult(int module)
{
    return m_handler->getSettingResult(module);
}

int DcdcData::getOperateRecord(OperateRecord* out)
{
    return m_handler->getOperateRecord(out);
}

int DcdcData::getVersion(char* buf, int len)
{
    return m_handler->getVersion(buf, len);
}

int DcdcData::getFaultRecordSize()
{
    return m_handler->getFaultRecordSize();
}

int DcdcData::getFaultRecord(int i, FaultRecord* out)
{
    m_handler->getFaultRecord(i, out);
    return 0;
}
