// USB export of the logs, the energy report and the archive, and the periodic snapshot "log.dat".

#include "filecopy.h"
#include "datadeal.h"
#include "alarmrecordfile.h"
#include "devicedata.h"
#include "globalvar.h"
#include "modbusacdcdata.h"
#include "monitorset.h"
#include "operaterecordfile.h"
#include "racktable.h"
#include "shellrunner.h"
#include "syspath.h"
#include "timeseam.h"

#include <QCoreApplication>
#include <QString>
#include <QTextCodec>
#include <atomic>
#include <deque>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <mutex>
#include <stdio.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <utility>

namespace {

enum {
    SLOT_BYTES = 13232, SLOTS = 1000, POINTS = 100, STAMP_BYTES = 32,
    STATUS_AREA = 32, ALARM_AREA = 2232, ANALOG_AREA = 4432,
    STS_ENTRY = 1100, DCDC_ENTRY = 1200
};

// Progress that the export threads leave for the run loop, oldest first. downNum alone holds
// one code, so two threads finishing within one pass would lose one of them (the end of an
// export-all among them, which leaves the records page waiting for ever).
struct PendingReports {
    std::mutex lock;
    std::deque<std::pair<int, int>> reports;
};

PendingReports& pending()
{
    // Never destroyed: an export thread may still post while the process exits.
    static PendingReports* p = new PendingReports;
    return *p;
}

void postReport(int id, int code)
{
    PendingReports& p = pending();
    std::lock_guard<std::mutex> g(p.lock);
    p.reports.push_back(std::make_pair(id, code));
    downNum = code;
}

// One archive at a time: a second export-all would empty "Logfiles" under the first one's tar.
std::atomic<bool> archiveRunning(false);

// What an export thread is to do; owned by the thread once started.
struct ExportJob {
    bool all;
    bool withReport;
    pthread_mutex_t* snapshotLock;
};

bool stickPresent()
{
    struct stat st;
    return stat(SysPath::resolve("/dev/udisk").c_str(), &st) == 0;
}

std::string onStick(const char* name)
{
    return SysPath::resolve("/udisk") + "/" + name;
}

bool writeAll(int fd, const char* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return ::remove(path) == 0 || errno == ENOENT ? 0 : -1;
}

// A whole directory tree, or a file; nothing there counts as done.
int removeTree(const char* path)
{
    struct stat st;
    if (lstat(path, &st) != 0)
        return errno == ENOENT ? 0 : -1;
    return nftw(path, removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

int makeDirs(const std::string& path)
{
    for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            printf("makeDirs cannot make %s: %s\n", part.c_str(), strerror(errno));
            return -1;
        }
        if (at == std::string::npos)
            return 0;
    }
}

bool endsWith(const char* name, const char* suffix)
{
    const size_t n = strlen(name);
    const size_t s = strlen(suffix);
    return n >= s && strcmp(name + n - s, suffix) == 0;
}

// The files "dir/*<suffix>" into toDir, as the shell's wildcard would name them.
void copyMatching(const std::string& dir, const char* suffix, const std::string& toDir)
{
    DIR* d = opendir(dir.c_str());
    if (!d) {
        printf("copyMatching no %s: %s\n", dir.c_str(), strerror(errno));
        return;
    }
    while (struct dirent* e = readdir(d)) {
        if (e->d_name[0] == '.' || !endsWith(e->d_name, suffix))
            continue;
        const std::string from = dir + "/" + e->d_name;
        struct stat st;
        if (stat(from.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            copyWhole(from, toDir + "/" + e->d_name);
    }
    closedir(d);
}

// The board's byte order, written out so that a host of another order writes the same file.
void putFloat(unsigned char* at, float v)
{
    uint32_t u;
    memcpy(&u, &v, sizeof u);
    at[0] = u & 0xFF;
    at[1] = (u >> 8) & 0xFF;
    at[2] = (u >> 16) & 0xFF;
    at[3] = (u >> 24) & 0xFF;
}

bool startThread(void* (*body)(void*), ExportJob* job)
{
    // Detached: nothing ever joins these, and a joinable thread never joined keeps its stack.
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t tid;
    const int err = pthread_create(&tid, &attr, body, job);
    pthread_attr_destroy(&attr);
    if (err != 0) {
        printf("startThread export thread not started: %s\n", strerror(err));
        delete job;
        return false;
    }
    return true;
}

void copyReport(bool all)
{
    const int r = copyWhole("Data.xls", all ? std::string("Logfiles/Data.xls") : onStick("Data.xls"));
    ShellRunner::run("sync");
    postReport(2, r == 0 ? 13 : 21);
}

// The archive did not reach the stick. An export-all ends here too, so the page gets slot 0
// back and the next single copy goes to the stick again.
void archiveFailed(bool all)
{
    postReport(4, 21);
    if (all) {
        isdownALLing = 0;
        archiveRunning = false;
        postReport(0, 21);
    }
}

} // namespace

void DATADEAL::setAcDcData(ModbusAcDcData* acdc)
{
    m_acdcData = acdc;
}

void DATADEAL::download_patch()
{
    std::deque<std::pair<int, int>> out;
    {
        PendingReports& p = pending();
        std::lock_guard<std::mutex> g(p.lock);
        out.swap(p.reports);
        if (out.empty()) {
            // A code left in downNum itself.
            switch (downNum.load()) {
            case 7:
            case 13:
                out.push_back(std::make_pair(2, downNum.load()));
                break;
            case 18:
                out.push_back(std::make_pair(0, 18));
                break;
            case 19:
            case 20:
                out.push_back(std::make_pair(4, downNum.load()));
                break;
            default:
                return;
            }
        }
        downNum = 0;
    }
    for (const auto& r : out)
        emit sendcommond(r.first, r.second);
}

void DATADEAL::dealwithcommond(int commond)
{
    if (commond == 5) {
        startLog();
        return;
    }
    // The copies let GUI events through, and with them the next request: it is served after
    // this one instead of inside it, where it would copy into a half-gathered "Logfiles".
    if (m_exporting) {
        m_waitingRequests.push_back(commond);
        return;
    }
    m_exporting = true;
    serveExport(commond);
    while (!m_waitingRequests.empty()) {
        const int next = m_waitingRequests.front();
        m_waitingRequests.erase(m_waitingRequests.begin());
        serveExport(next);
    }
    m_exporting = false;
}

void DATADEAL::serveExport(int commond)
{
    ShellRunner::run("/sbin/mdev -s");
    if (!stickPresent()) {
        setTipsNow(tr("请插入U盘"), 1);
        emit sendcommond(0, 6);
        return;
    }
    switch (commond) {
    case 6:
        exportAll();
        break;
    case 7:
        download_alarm();
        break;
    case 8:
        download_status();
        break;
    case 9:
        download_operate();
        break;
    case 10:
        if (!startThread(download_log, new ExportJob{ false, false, &logMutex }))
            archiveFailed(false);
        break;
    case 11:
        download_dcac_fault();
        break;
    case 12:
        download_dcdc_fault();
        break;
    case 13:
        download_sts_fault();
        break;
    default:
        break;
    }
}

void DATADEAL::exportAll()
{
    if (keyword_right == 2) {
        download_energy();
        return;
    }
    if (archiveRunning) {
        printf("DATADEAL::exportAll the previous archive is still being made\n");
        emit sendcommond(0, 21);
        return;
    }
    isdownALLing = 1;
    removeTree("Logfiles");
    if (mkdir("Logfiles", 0777) != 0 || chmod("Logfiles", 0777) != 0)
        printf("DATADEAL::exportAll cannot make Logfiles: %s\n", strerror(errno));

    m_gathering = true;
    m_reportBuilt = false;
    download_alarm();
    download_energy();
    download_status();
    download_operate();
    download_dcac_fault();
    download_dcdc_fault();
    download_sts_fault();
    getDSPVersion();
    m_gathering = false;

    // The report joins the archive from the archive's own thread, before it is packed.
    archiveRunning = true;
    if (!startThread(download_log, new ExportJob{ true, m_reportBuilt, &logMutex })) {
        if (m_reportBuilt)
            postReport(2, 21);
        archiveFailed(true);
    }
}

void DATADEAL::copyOut(int id, int count, int started, int done, const char* from, const char* name)
{
    if (count < 1) {
        emit sendcommond(id, 21);
        return;
    }
    emit sendcommond(id, started);
    QCoreApplication::processEvents();
    const std::string to = m_gathering ? std::string("Logfiles/") + name : onStick(name);
    const int r = copyWhole(from, to);
    ShellRunner::run("sync");
    emit sendcommond(id, r == 0 ? done : 21);
}

void DATADEAL::download_alarm()
{
    copyOut(1, alarmFile->size(), 8, 14, "../log/history.log", "history.log");
}

void DATADEAL::download_status()
{
    copyOut(2, statusFile->size(), 7, 13, "../log/status_history.log", "status_history.log");
}

void DATADEAL::download_operate()
{
    copyOut(3, operateFile->size(), 9, 15, "../log/operaterecord.log", "operaterecord.log");
}

void DATADEAL::download_dcac_fault()
{
    copyOut(5, m_acdc ? m_acdc->getFaultRecordSize() : 0, 10, 16, "../log/dcacfaultRecord.log",
        "dcacfaultRecord.log");
}

void DATADEAL::download_dcdc_fault()
{
    copyOut(6, m_dcdc ? m_dcdc->getFaultRecordSize() : 0, 11, 17, "../log/dcdcfaultRecord.log",
        "dcdc_faultrecord.log");
}

void DATADEAL::download_sts_fault()
{
    copyOut(7, m_sts ? m_sts->getFaultRecordSize() : 0, 22, 23, "../log/stsfaultRecord.log",
        "stsfaultRecord.log");
}

void DATADEAL::download_energy()
{
    QTextCodec* gbk = QTextCodec::codecForName("GBK");
    if (!gbk || !m_acdcData) {
        printf("DATADEAL::download_energy %s\n", gbk ? "no AC/DC device" : "no GBK codec");
        emit sendcommond(2, 21);
        return;
    }
    // Written beside the report and renamed over it when whole, so that a copy still reading
    // the previous report is not cut short.
    const char* const part = "Data.xls.part";
    const int fd = ::open(part, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        printf("DATADEAL::download_energy cannot open Data.xls: %s\n", strerror(errno));
        emit sendcommond(2, 21);
        return;
    }
    ShellRunner::run("/sbin/mdev -s");
    const bool stick = stickPresent();
    if (stick)
        emit sendcommond(2, 7);

    QString text = tr("日期\t类型\t"
                      "00:00~00:30\t00:30~01:00\t01:00~01:30\t01:30~02:00\t02:00~02:30\t02:30~03:00\t"
                      "03:00~03:30\t03:30~04:00\t04:00~04:30\t04:30~05:00\t05:00~05:30\t05:30~06:00\t"
                      "06:00~06:30\t06:30~07:00\t07:00~07:30\t07:30~08:00\t08:00~08:30\t08:30~09:00\t"
                      "09:00~09:30\t09:30~10:00\t10:00~10:30\t10:30~11:00\t11:00~11:30\t11:30~12:00\t"
                      "12:00~12:30\t12:30~13:00\t13:00~13:30\t13:30~14:00\t14:00~14:30\t14:30~15:00\t"
                      "15:00~15:30\t15:30~16:00\t16:00~16:30\t16:30~17:00\t17:00~17:30\t17:30~18:00\t"
                      "18:00~18:30\t18:30~19:00\t19:00~19:30\t19:30~20:00\t20:00~20:30\t20:30~21:00\t"
                      "21:00~21:30\t21:30~22:00\t22:00~22:30\t22:30~23:00\t23:00~23:30\t23:30~24:00\n");
    const QString dateFormat = tr("%1-%2-%3\t");
    const QString chargeCaption = tr("充电量(kWh)\t");
    const QString dischargeCaption = tr("放电量(kWh)\t");
    const QString moneyCaption = tr("效益(元)\t");
    const QString pvCaption = tr("PV日累计(kWh)\t");
    const QString chargeFormat = tr("%1\t");
    const QString dischargeFormat = tr("-%1\t");
    const int type = currentRackInfo.machineType;
    const bool pv = type == 4 || type == 5 || type == 20 || type == 21 || type == 30;

    ModbusAcDcData* ac = m_acdcData;
    for (int year = 2017; year <= 2022; ++year)
        for (int month = 1; month <= 12; ++month)
            for (int day = 1; day <= 31; ++day) {
                QCoreApplication::processEvents();
                const QString date = dateFormat.arg(year).arg(month).arg(day);
                // A value the library does not give is written as 0, not as the one before it.
                float value;
                text += date + chargeCaption;
                for (int h = 1; h <= 48; ++h) {
                    value = 0.0f;
                    ac->getCharge(year, month, day, h, &value);
                    text += chargeFormat.arg(double(value));
                }
                text += '\n';
                text += date + dischargeCaption;
                for (int h = 1; h <= 48; ++h) {
                    value = 0.0f;
                    ac->getDischarge(year, month, day, h, &value);
                    text += dischargeFormat.arg(double(value));
                }
                text += '\n';
                text += date + moneyCaption;
                for (int h = 1; h <= 48; ++h) {
                    value = 0.0f;
                    ac->getMoney(year, month, day, h, &value);
                    text += QString::number(double(value), 'f', 4) + '\t';
                }
                text += '\n';
                if (pv) {
                    value = 0.0f;
                    ac->getDayDischarge(year, month, day, &value);
                    text += date + pvCaption + QString::number(double(value), 'f', 0) + '\n';
                }
            }

    const QByteArray bytes = gbk->fromUnicode(text);
    bool ok = writeAll(fd, bytes.constData(), size_t(bytes.size())) && fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok && rename(part, "Data.xls") != 0)
        ok = false;
    if (!ok) {
        printf("DATADEAL::download_energy cannot write Data.xls: %s\n", strerror(errno));
        unlink(part);
        emit sendcommond(2, 21);
        return;
    }
    if (!stick) {
        // The stick went between the request and now: the report is not copied.
        emit sendcommond(2, 21);
        return;
    }
    m_reportBuilt = true;
    // An export-all copies the report with its archive.
    if (m_gathering)
        return;
    if (!startThread(download_data, new ExportJob{ false, false, &logMutex }))
        emit sendcommond(2, 21);
}

void* DATADEAL::download_data(void* arg)
{
    ExportJob* job = static_cast<ExportJob*>(arg);
    const bool all = job->all;
    delete job;
    if (!stickPresent()) {
        printf("%s\n", __PRETTY_FUNCTION__);
        postReport(2, 21);
        return nullptr;
    }
    copyReport(all);
    return nullptr;
}

void* DATADEAL::download_log(void* arg)
{
    const ExportJob job = *static_cast<ExportJob*>(arg);
    delete static_cast<ExportJob*>(arg);
    if (!stickPresent()) {
        printf("%s\n", __PRETTY_FUNCTION__);
        if (job.withReport)
            postReport(2, 21);
        archiveFailed(job.all);
        return nullptr;
    }
    postReport(4, 19);
    bool ok;
    if (job.all) {
        if (job.withReport)
            copyReport(true);
        makeDirs("Logfiles/ConfigFile/conf");
        makeDirs("Logfiles/ConfigFile/conf-dcdc");
        makeDirs("Logfiles/ConfigFile/conf-sts");
        copyMatching(SysPath::resolve("/opt/pcs/conf"), ".ini", "Logfiles/ConfigFile/conf");
        copyMatching(SysPath::resolve("/opt/pcs/conf-dcdc"), ".ini", "Logfiles/ConfigFile/conf-dcdc");
        copyMatching(SysPath::resolve("/opt/pcs/conf-sts"), ".ini", "Logfiles/ConfigFile/conf-sts");
        copyWhole(SysPath::resolve("/opt/pcs/bin/monitorset.txt"), "Logfiles/ConfigFile/monitorset.txt");
        // Not while a snapshot is half written.
        pthread_mutex_lock(job.snapshotLock);
        copyWhole("log.dat", "Logfiles/log.dat");
        pthread_mutex_unlock(job.snapshotLock);
        copyWhole("version.dat", "Logfiles/version.dat");
        unlink("Logfiles.tar.gz");
        ok = ShellRunner::run("tar -czf Logfiles.tar.gz Logfiles/") == 0;
        if (!ok)
            printf("%s tar failed\n", __PRETTY_FUNCTION__);
        ok = ok && copyWhole("Logfiles.tar.gz", onStick("Logfiles.tar.gz")) == 0;
        removeTree("Logfiles");
        unlink("Logfiles.tar.gz");
    } else {
        unlink(onStick("log.dat").c_str());
        pthread_mutex_lock(job.snapshotLock);
        ok = copyWhole("log.dat", onStick("log.dat")) == 0;
        pthread_mutex_unlock(job.snapshotLock);
    }
    ShellRunner::run("sync");
    if (!ok) {
        archiveFailed(job.all);
    } else if (job.all) {
        archiveRunning = false;
        postReport(0, 18);
    } else {
        postReport(4, 20);
    }
    return nullptr;
}

void DATADEAL::getDSPVersion()
{
    float pairs[8] = { 0, 0, 0, 0, 0, 0, 0, 0 };
    auto on = [](DeviceData* d, int module, int point) { return d && d->getStatus(module, point) > 0; };
    auto read = [](DeviceData* d, int module, int point, float* out) {
        float v = 0.0f;
        d->getAnalog(module, point, &v);
        *out = v;
    };
    for (int m = 1; m <= 10; ++m)
        if (on(m_acdc, m, 0)) {
            read(m_acdc, m, 40, &pairs[0]);
            read(m_acdc, m, 39, &pairs[1]);
            break;
        }
    if (on(m_acdc, 11, 0)) {
        read(m_acdc, 11, 40, &pairs[2]);
        read(m_acdc, 11, 39, &pairs[3]);
    }
    for (int m = 1; m <= 10; ++m)
        if (on(m_dcdc, m, 100)) {
            read(m_dcdc, m, 21, &pairs[4]);
            read(m_dcdc, m, 22, &pairs[5]);
            break;
        }
    if (on(m_sts, 1, 0)) {
        read(m_sts, 1, 66, &pairs[6]);
        read(m_sts, 1, 67, &pairs[7]);
    }
    unsigned char bytes[32];
    for (int i = 0; i < 8; ++i)
        putFloat(bytes + 4 * i, pairs[i]);
    const int fd = ::open("version.dat", O_RDWR | O_CREAT | O_DSYNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        printf("%s(%d)-open version.dat error\n", __PRETTY_FUNCTION__, __LINE__);
        return;
    }
    if (pwrite(fd, bytes, sizeof bytes, 0) != ssize_t(sizeof bytes))
        printf("%s(%d)-write version.dat error\n", __PRETTY_FUNCTION__, __LINE__);
    ::close(fd);
}

void DATADEAL::time_1og_slot()
{
    printf("%s\n", __PRETTY_FUNCTION__);
    pthread_mutex_lock(&logMutex);
    unsigned char slotBytes[SLOT_BYTES];
    memset(slotBytes, 0, sizeof slotBytes);
    const time_t now = TimeSeam::wallTime();
    struct tm tm;
    localtime_r(&now, &tm);
    strftime(reinterpret_cast<char*>(slotBytes), STAMP_BYTES, "%Y-%m-%d %H:%M:%S", &tm);

    auto fill = [&slotBytes](DeviceData* d, int module, int firstEntry) {
        if (!d)
            return;
        for (int p = 0; p < POINTS; ++p) {
            const int e = firstEntry + p;
            const int alarm = d->getAlarm(module, p);
            const int status = d->getStatus(module, p);
            float value = 0.0f;
            d->getAnalog(module, p, &value);
            slotBytes[STATUS_AREA + e] = status & 0xFF;
            slotBytes[ALARM_AREA + e] = alarm & 0xFF;
            putFloat(slotBytes + ANALOG_AREA + 4 * e, value);
        }
    };
    for (int m = 1; m <= DCAC_MODULES; ++m)
        fill(m_acdc, m, (m - 1) * POINTS);
    fill(m_sts, 1, STS_ENTRY);
    for (int m = 1; m <= DCDC_MODULES; ++m)
        fill(m_dcdc, m, DCDC_ENTRY + (m - 1) * POINTS);

    const int fd = ::open("log.dat", O_RDWR | O_CREAT | O_DSYNC | O_CLOEXEC, 0644);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        printf("%s(%d)-open log.dat error\n", __PRETTY_FUNCTION__, __LINE__);
        if (fd >= 0)
            ::close(fd);
        pthread_mutex_unlock(&logMutex);
        return;
    }
    // A slot read back from damaged settings could be negative: it starts the ring again.
    int slot = logSlot % SLOTS;
    if (slot < 0)
        slot = 0;
    // A deleted or shortened file grows again from its end, by whole slots.
    if (off_t(slot) * SLOT_BYTES >= st.st_size)
        slot = int(st.st_size / SLOT_BYTES);
    const off_t at = off_t(slot) * SLOT_BYTES;
    size_t written = 0;
    for (int attempt = 0; attempt < 3 && written < sizeof slotBytes; ++attempt) {
        // A short write goes on where it stopped, not again from the start of the slot.
        const ssize_t n = pwrite(fd, slotBytes + written, sizeof slotBytes - written, at + off_t(written));
        if (n > 0)
            written += size_t(n);
    }
    ::close(fd);
    if (written < sizeof slotBytes) {
        printf("%s(%d)-write log.dat error\n", __PRETTY_FUNCTION__, __LINE__);
        pthread_mutex_unlock(&logMutex);
        savemonitorset();
        return;
    }
    logSlot = slot + 1;
    m_set[9].value = logSlot;
    savemonitorset();
    pthread_mutex_unlock(&logMutex);
}
