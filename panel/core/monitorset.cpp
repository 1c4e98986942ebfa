#include "monitorset.h"
#include "atomicfile.h"
#include "filecopy.h"
#include "shellrunner.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>
#include <QDebug>
#include <QFile>
#include <QStringList>
#include <QtEndian>

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

setvalue set[80];
QMutex monitormutex;
int BmsType = 0;

namespace {

const int kCount = 80;
const char kFile[] = "monitorset.txt";
const char kTemp[] = "monitorset.txt.tmp";
const char kBad[] = "monitorset.txt.bad";

void applyDefaults()
{
    set[0].value = 10;
    set[1].value = 0;
    set[2].value = 0;
    set[3].text = QStringLiteral("192.168.1.10");
    set[4].text = QStringLiteral("192.168.1.1");
    set[5].text = QStringLiteral("255.255.255.0");
    set[6].value = 0;
    set[7].value = 1;
    set[8].value = 1;
    set[9].value = 0;
    set[10].value = 15;
    set[13].value = 1;
    set[14].value = 0;
    set[21].value = 1;
    set[22].value = 0;
    set[23].value = 1;
    set[24].value = 1;
    set[27].value = 10;
    set[28].value = 10;
    set[29].value = 10;
    set[53].value = 0;
    set[54].value = 0;
    set[58].value = 80;
    set[58].text = QStringLiteral("Y");
    set[62].value = 0;
}

// Entry 0 below 1 means a new or damaged file: defaults, and the network to match them.
bool defaultsIfNew()
{
    if (set[0].value >= 1)
        return false;
    applyDefaults();
    setip(set[3].text, set[5].text, set[4].text);
    return true;
}

QByteArray serialise()
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_8);
    for (int i = 0; i < kCount; ++i)
        out << qint32(set[i].value) << set[i].text;
    return bytes;
}


// The new contents go to a file beside the old one and are renamed over it only once they are
// on disk, so a power cut or a full disk during a save never leaves a half-written settings file.
bool replaceFile(const QByteArray& bytes)
{
    int fd = ::open(kTemp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        printf("savemonitorset: cannot create %s: %s\n", kTemp, strerror(errno));
        return false;
    }
    bool ok = AtomicFile::writeAll(fd, bytes.constData(), size_t(bytes.size())) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        printf("savemonitorset: cannot write %s: %s\n", kTemp, strerror(err));
        ::unlink(kTemp);
        return false;
    }
    if (::rename(kTemp, kFile) != 0) {
        printf("savemonitorset: cannot replace %s: %s\n", kFile, strerror(errno));
        ::unlink(kTemp);
        return false;
    }
    // The rename itself must reach the disk too.
    int dir = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool isDottedQuad(const QString& s)
{
    const QStringList parts = s.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& p : parts) {
        if (p.isEmpty() || p.size() > 3)
            return false;
        for (QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        // A leading zero would be read as octal by the network tools.
        if (p.size() > 1 && p[0] == QLatin1Char('0'))
            return false;
        if (p.toInt() > 255)
            return false;
    }
    return true;
}

// Edits one line of the board's network file through /tmp; the copy runs only when sed succeeded,
// so a failed edit can never put an empty file in place of the real one.
std::string editLine(const QString& sedCommand)
{
    return ("sed '" + sedCommand + "' /etc/eth0-setting > /tmp/eth0-setting"
            " && cp /tmp/eth0-setting /etc/eth0-setting").toStdString();
}

// The text length ahead in the stream fits in what is left of it (a null text has no bytes).
// The stream itself would first make room for up to a million characters of a damaged length.
bool textFits(QIODevice* from)
{
    const QByteArray head = from->peek(4);
    if (head.size() < 4)
        return true;   // too short: the stream's own read fails
    const quint32 bytes = qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(head.constData()));
    return bytes == 0xffffffffu || qint64(bytes) <= from->bytesAvailable() - 4;
}

// Reads the 80 settings of a settings stream; false when it is short or damaged.
bool parse(QIODevice* from, setvalue* loaded)
{
    QDataStream in(from);
    in.setVersion(QDataStream::Qt_4_8);
    for (int i = 0; i < kCount; ++i) {
        qint32 v = 0;
        in >> v;
        // The stream goes on reading after a failure, each text up to a million characters.
        if (in.status() != QDataStream::Ok || !textFits(from))
            return false;
        in >> loaded[i].text;
        if (in.status() != QDataStream::Ok)
            return false;
        loaded[i].value = v;
    }
    return true;
}

void take(const setvalue* loaded)
{
    for (int i = 0; i < kCount; ++i)
        set[i] = loaded[i];
    if (set[58].text != QLatin1String("Y")) {
        set[58].value = 80;
        set[58].text = QStringLiteral("Y");
    }
}

} // namespace

void readmonitorset()
{
    monitormutex.lock();
    bool save = true;
    QFile f(QString::fromLatin1(kFile));
    if (f.open(QIODevice::ReadOnly)) {
        setvalue loaded[kCount];
        const bool intact = parse(&f, loaded);
        f.close();
        if (intact) {
            take(loaded);
            save = false;
        } else {
            // Keep the damaged file for a look later and start over as if it were missing.
            bool kept = ::rename(kFile, kBad) == 0;
            printf("readmonitorset: %s is short or corrupt, %s, defaults used\n", kFile,
                   kept ? "kept as monitorset.txt.bad" : "could not be kept aside");
            for (int i = 0; i < kCount; ++i)
                set[i] = setvalue{ 0, QString() };
        }
    }
    BmsType = set[26].value;
    if (defaultsIfNew())
        save = true;
    monitormutex.unlock();
    if (save)
        savemonitorset();
}

void savemonitorset()
{
    defaultsIfNew();
    monitormutex.lock();
    replaceFile(serialise());
    monitormutex.unlock();
}

bool setip(const QString& ip, const QString& mask, const QString& gateway)
{
    qDebug() << "METHAD SET IP:" << ip << gateway << mask;
    if (!isDottedQuad(ip) || !isDottedQuad(mask) || !isDottedQuad(gateway)) {
        printf("setip: refused, not an IPv4 address among ip \"%s\", mask \"%s\", gateway \"%s\"\n",
               ip.toLocal8Bit().constData(), mask.toLocal8Bit().constData(),
               gateway.toLocal8Bit().constData());
        return false;
    }
    // Every step is tried, so that one refused step does not leave the others undone.
    const std::string steps[] = {
        editLine("1 c\\IP=" + ip),
        editLine("3 c\\Gateway=" + gateway),
        editLine("2 c\\Mask=" + mask),
        ("ifconfig eth0 " + ip + " netmask " + mask).toStdString(),
        ("route add default gw " + gateway).toStdString(),
    };
    bool ok = true;
    for (const std::string& step : steps) {
        if (ShellRunner::run(step) != 0) {
            printf("setip: failed: %s\n", step.c_str());
            ok = false;
        }
    }
    return ok;
}

bool backupmonitorset(const char* to)
{
    QMutexLocker lock(&monitormutex);
    return copyWhole(kFile, to) == 0;
}

int restoremonitorset(const char* from)
{
    QMutexLocker lock(&monitormutex);
    QFile f(QString::fromLatin1(from));
    if (!f.exists())
        return 0;
    if (!f.open(QIODevice::ReadOnly)) {
        printf("restoremonitorset: cannot read %s\n", from);
        return -1;
    }
    const QByteArray bytes = f.readAll();
    f.close();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    setvalue loaded[kCount];
    // A damaged copy must not replace good settings.
    if (!parse(&buffer, loaded)) {
        printf("restoremonitorset: %s is short or corrupt, nothing restored\n", from);
        return -1;
    }
    if (!replaceFile(bytes))
        return -1;
    // The running settings become the restored ones, so the next save keeps them.
    const int bmsType = BmsType;
    take(loaded);
    BmsType = bmsType;
    return 1;
}
