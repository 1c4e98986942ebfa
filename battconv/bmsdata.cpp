#include "bmsdata.h"
#include "bmshandler.h"

BmsData::BmsData(const char* canName, int bitRate, int timeoutMs, int ext)
    : m_handler(new BmsHandler(canName, bitRate, timeoutMs, ext))
{
}

BmsData::~BmsData()
{
    delete m_handler;
}

int BmsData::open()
{
    return m_handler->open();
}

int BmsData::close()
{
    return m_handler->close();
}

int BmsData::getAnalog(int module, int index, float* out)
{
    return m_handler->getAnalog(module, index, out);
}

int BmsData::getStatus(int module, int index)
{
    return m_handler->getStatus(module, index);
}

int BmsData::getAlarm(int module, int index)
{
    return m_handler->getAlarm(module, index);
}

int BmsData::getConfig(int module, int index, float* out)
{
    return m_handler->getConfig(module, index, out);
}

int BmsData::setting(int module, int index, float value, int broadcastFlag)
{
    return m_handler->setting(module, index, value, broadcastFlag);
}

int BmsData::getSettingResult(int module)
{
    return m_handler->getSettingResult(module);
}

int BmsData::getOperateRecord(OperateRecord* out)
{
    return m_handler->getOperateRecord(out);
}

int BmsData::getVersion(char* buf, int len)
{
    (void)buf;
    (void)len;
    return 0;
}

int BmsData::getFaultRecordSize()
{
    return 0;
}

int BmsData::getFaultRecord(int i, FaultRecord* out)
{
    (void)i;
    (void)out;
    return 0;
}
