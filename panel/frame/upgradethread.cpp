#include "upgradethread.h"

#include "devicedata.h"
#include "devicedataof.h"
#include "timeseam.h"

#include <stdio.h>

namespace {
// Engine steps as getStatus indices.
const int kStepBoot = 0;
const int kStepDecrypt = 1;
const int kStepErase = 2;
const int kStepEnd = 3;
const int kStepData = 5;
const int kDataProgress = 6;
const int kStepSingleAnswer = 7;

const int kPollMs = 200;

bool allModulesAddress(int address)
{
    return address == 79 || address == 143;
}
}

UpgradeThread::UpgradeThread(QObject* parent)
    : QThread(parent)
{
}

void UpgradeThread::setDiviceData(DcdcData* device)
{
    m_device = deviceDataOf(device);
}

void UpgradeThread::setDiviceData(DeviceData* device)
{
    m_device = device;
}

void UpgradeThread::initUpradeModule(std::vector<int>& modules, int kind)
{
    m_modules = modules;
    m_kind = kind;
}

void UpgradeThread::run()
{
    m_inThread = true;
    onePass();
    m_inThread = false;
    m_runsEnded.fetch_add(1, std::memory_order_release);
}

bool UpgradeThread::join(unsigned long ms)
{
    if (!wait(ms))
        return false;
    (void)m_runsEnded.load(std::memory_order_acquire);
    return true;
}

// In the worker thread the poll period must not run ahead of a test's stepped clock.
void UpgradeThread::pause()
{
    if (m_inThread)
        TimeSeam::waitMs(kPollMs);
    else
        TimeSeam::sleepMs(kPollMs);
}

void UpgradeThread::showUpgradeState(int address, const QString& text)
{
    QString prefix;
    if (m_kind == 0 && address >= 65 && address <= 126)
        prefix = QString("DCAC#%1").arg(address - 64);
    else if (address >= 129 && address <= 190)
        prefix = QString("DCDC#%1").arg(address - 128);
    else if (m_kind == 2 && address >= 65 && address <= 79)
        prefix = QString("U2#%1").arg(address - 64);
    else if (m_kind == 3 && address >= 65 && address <= 79)
        prefix = QString("STS#%1").arg(address - 64);
    emit setUpgradeEdit(prefix + text);
}

QString UpgradeThread::stateToStr(bool ok, int step)
{
    switch (step) {
    case kStepBoot:
        return ok ? tr("软件升级已就绪，Boot启动") : tr("软件升级未就绪，升级失败");
    case kStepDecrypt:
        return ok ? tr("解密成功....") : tr("解密失败,停止升级....");
    case kStepErase:
        return ok ? tr("擦除成功,开始烧录....") : tr("擦除失败,停止升级....");
    case kStepEnd:
        return ok ? tr("升级成功") : tr("发送结束帧失败,停止升级....");
    case kStepData:
        return ok ? tr("发送数据成功....") : tr("发送数据帧失败,停止升级....");
    default:
        return QString();
    }
}

// The engine ends every step with 1 or -2, so there is no time-out here.
void UpgradeThread::getUpgradeState(int step)
{
    size_t i = 0;
    while (i < m_modules.size()) {
        const int address = m_modules[i];
        const int r = m_device->getStatus(address, step);
        if (r == 1) {
            if (step == kStepSingleAnswer)
                m_singleFault = false;
            else
                showUpgradeState(address, stateToStr(true, step));
            ++i;
        } else if (r == -2) {
            if (step == kStepSingleAnswer) {
                m_singleFault = true;
            } else {
                showUpgradeState(address, stateToStr(false, step));
                emit sendUpgradeFail(address);
            }
            m_modules.erase(m_modules.begin() + long(i));
        } else {
            pause();
        }
    }
}

void UpgradeThread::getUpgradeDataProgressState()
{
    size_t i = 0;
    while (i < m_modules.size()) {
        const int address = m_modules[i];
        const int r = m_device->getStatus(address, kStepData);
        if (r == 1) {
            showUpgradeState(address, stateToStr(true, kStepData));
            emit setProgressBar(m_device->getStatus(address, kDataProgress));
            ++i;
        } else if (r == -1 || r == -2) {
            showUpgradeState(address, r == -1 ? tr("升级文件打开失败") : stateToStr(false, kStepData));
            emit sendUpgradeFail(address);
            m_modules.erase(m_modules.begin() + long(i));
        } else {
            emit setProgressBar(m_device->getStatus(address, kDataProgress));
            pause();
        }
    }
}

bool UpgradeThread::severalAnswered(int first)
{
    if (m_modules.empty() || !allModulesAddress(first))
        return false;
    getUpgradeState(kStepSingleAnswer);
    if (!m_singleFault)
        return false;
    showUpgradeState(0, tr("升级结束"));
    emit sendUpgradFault();
    return true;
}

void UpgradeThread::onePass()
{
    m_singleFault = false;
    // A caller that forgot the device or the modules must still see the pass end.
    if (!m_device || m_modules.empty()) {
        printf("UpgradeThread::onePass %s\n", m_device ? "no modules" : "no device");
        emit sendUpgradeFinish();
        emit sendUpgradeFail(0);
        return;
    }

    const int first = m_modules.front();
    const int chosen = m_device->setting(first, 0, float(m_kind), 0);
    if (chosen == -3) {
        showUpgradeState(0, tr("升级文件不存在..."));
        emit sendUpgradeFinish();
        emit sendUpgradeFail(0);
        return;
    }
    // A file that fails its record checks never reaches a module.
    if (chosen < 0) {
        showUpgradeState(0, tr("升级文件校验失败"));
        emit sendUpgradeFinish();
        emit sendUpgradeFail(0);
        return;
    }
    for (int address : m_modules) {
        m_device->setting(address, 1, 0.0f, 0);
        showUpgradeState(address, tr("准备升级..."));
    }
    m_device->setting(first, 2, 0.0f, 0);

    getUpgradeState(kStepBoot);
    if (severalAnswered(first))
        return;
    if (!m_modules.empty()) {
        showUpgradeState(0, tr("正在解密..."));
        getUpgradeState(kStepDecrypt);
        if (severalAnswered(first))
            return;
    }
    if (!m_modules.empty()) {
        showUpgradeState(0, tr("正在擦除..."));
        getUpgradeState(kStepErase);
    }
    if (!m_modules.empty())
        getUpgradeDataProgressState();
    if (!m_modules.empty())
        getUpgradeState(kStepEnd);
    if (!m_modules.empty())
        emit sendUpgradeSuccess();

    showUpgradeState(0, tr("升级结束,请检查升级过程中是否有失败的模块！"));
    emit sendUpgradeFinish();
}
