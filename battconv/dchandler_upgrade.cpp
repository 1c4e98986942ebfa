// DC/DC link: firmware upgrade of the modules over CAN.
#include "dchandler.h"
#include "dchandler_p.h"
#include "syspath.h"
#include "timeseam.h"
#include "upgradehexline.h"

#include <algorithm>
#include <dirent.h>
#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <string>
#include <unistd.h>

const uint8_t DcHandler::upgradeCmdFrames[4][8] = {
    { 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08 },
    { 0x22, 0x22, 0, 0, 0, 0, 0, 0 },
    { 0x33, 0x33, 0, 0, 0, 0, 0, 0 },
    { 0x66, 0x66, 0, 0, 0, 0, 0, 0 },
};

namespace {
const int UPGRADE_PF[4] = { 0x01, 0x02, 0x03, 0x07 };

bool containsNoCase(const char* text, const char* part)
{
    const size_t n = strlen(part);
    for (const char* p = text; *p; ++p)
        if (strncasecmp(p, part, n) == 0)
            return true;
    return false;
}
}

int DcHandler::upgradeSetting(int address, int index, float value)
{
    // The lists belong to the pass while it runs.
    if (m_upgrading && index >= 0 && index <= 2) {
        printf("%s(%d) upgrade running\n", __PRETTY_FUNCTION__, address);
        return -1;
    }
    if (index == 0) {
        {
            std::lock_guard<std::mutex> g(m_upgradeLock);
            m_replyList.clear();
            m_workList.clear();
            m_resendList.clear();
            m_replyCount = 0;
            m_deviceType = integerOf(value);
        }
        return chooseUpgradeFile(integerOf(value));
    }
    if (index == 1) {
        std::lock_guard<std::mutex> g(m_upgradeLock);
        UpgradeModule e;
        memset(&e, 0, sizeof e);
        e.address = address & 0xFF;
        m_replyList.push_back(e);
        m_workList.push_back(address);
        m_countReplies = address == 79 || address == 143;
        return 0;
    }
    if (index == 2) {
        joinUpgrade();
        m_upgradeAbort = false;
        m_upgrading = true;
        commandSetting(22, 1, 1.0f);
        const int err = pthread_create(&m_upgradeTid, nullptr, upgradeThread, this);
        if (err != 0) {
            m_upgrading = false;
            printf("%s upgrade thread not started: %s\n", __PRETTY_FUNCTION__, strerror(err));
            return err;
        }
        m_upgradeJoinable = true;
        return 0;
    }
    printf("%s(%d)-error index=%d\n", __PRETTY_FUNCTION__, address, index);
    return -1;
}

int DcHandler::chooseUpgradeFile(int type)
{
    static const char* const KEYS[4] = { "AC", "DC", "U2", "Sts" };
    {
        std::lock_guard<std::mutex> g(m_upgradeLock);
        m_upgradeFile.clear();
    }
    if (type < 0 || type > 3) {
        printf("%s type %d error\n", __PRETTY_FUNCTION__, type);
        return -3;
    }
    struct dirent** entries = nullptr;
    const std::string dir = SysPath::resolve("/tmp");
    const int count = scandir(dir.c_str(), &entries, nullptr, alphasort);
    std::vector<std::string> found;
    for (int i = 0; i < count; ++i) {
        const char* name = entries[i]->d_name;
        if (containsNoCase(name, KEYS[type]) && containsNoCase(name, ".hex"))
            found.push_back(name);
        free(entries[i]);
    }
    free(entries);
    if (found.size() == 1) {
        const std::string path = "/tmp/" + found[0];
        // A damaged file is refused whole, before a module is told to expect it.
        const int bad = UpgradeHexLine::checkFile(SysPath::resolve(path).c_str());
        if (bad != 0) {
            printf("%s %s refused: %s %d\n", __PRETTY_FUNCTION__, found[0].c_str(),
                bad < 0 ? "cannot be read" : "fails its check at line", bad);
            return BAD_UPGRADE_FILE;
        }
        std::lock_guard<std::mutex> g(m_upgradeLock);
        m_upgradeFile = path;
        return 0;
    }
    if (found.empty()) {
        printf("%s no %s file in /tmp\n", __PRETTY_FUNCTION__, KEYS[type]);
        return -3;
    }
    // Which of several is meant nobody knows; none stays to be taken by mistake later. The
    // names come from a USB stick: removed directly, never through a shell.
    for (const std::string& name : found)
        if (unlink(SysPath::resolve("/tmp/" + name).c_str()) != 0)
            printf("%s cannot remove %s: %s\n", __PRETTY_FUNCTION__, name.c_str(), strerror(errno));
    printf("%s %zu %s files in /tmp, removed\n", __PRETTY_FUNCTION__, found.size(), KEYS[type]);
    return -3;
}

std::string DcHandler::upgradeFile() const
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    return m_upgradeFile;
}

DcHandler::UpgradeModule* DcHandler::upgradeEntry(int address)
{
    for (UpgradeModule& e : m_replyList)
        if (e.address == (address & 0xFF))
            return &e;
    return nullptr;
}

int DcHandler::upgradeStatus(int address, int index)
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    const UpgradeModule* e = upgradeEntry(address);
    if (!e)
        return int(m_replyList.size());
    switch (index) {
    case 0: return e->result[R_BOOT];
    case 1: return e->result[R_DECRYPT];
    case 2: return e->result[R_ERASE];
    case 3: return e->result[R_END];
    case 4: return e->result[R_LINE];
    case 5: return e->result[R_DATA];
    case 6: return m_progress;
    case 7: return e->result[R_SINGLE];
    default: return 0;
    }
}

int DcHandler::upgradeResult(int address, int which)
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    const UpgradeModule* e = upgradeEntry(address);
    return e ? e->result[which] : 0;
}

void DcHandler::setUpgradeResult(int address, int which, int value)
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    if (UpgradeModule* e = upgradeEntry(address))
        e->result[which] = value;
}

void DcHandler::decodeUpgradeReply(const CanFrame* f)
{
    int which;
    switch (f->pf) {
    case 0x81: which = R_BOOT; break;
    case 0x82: which = R_DECRYPT; break;
    case 0x84: which = R_ERASE; break;
    case 0x88: which = R_LINE; break;
    case 0x89: which = R_END; break;
    default: return;
    }
    const int code = f->data[0] | (f->data[1] << 8);
    if (code != 0xCCCC && code != 0x3333)
        return;
    std::lock_guard<std::mutex> g(m_upgradeLock);
    if (m_countReplies && code == 0xCCCC && (which == R_BOOT || which == R_DECRYPT)) {
        // Every entry examined up to the sender counts: with the one default address, one a reply.
        for (const UpgradeModule& e : m_replyList) {
            ++m_replyCount;
            if (e.address == f->sa)
                break;
        }
    }
    if (UpgradeModule* e = upgradeEntry(f->sa))
        e->result[which] = code == 0xCCCC ? 1 : -1;
}

void DcHandler::sendUpgradeCmd(int step, int da)
{
    CanFrame f = commandFrame(1, UPGRADE_PF[step], da);
    f.sa = UPGRADE_ADDRESS;
    memcpy(f.data, upgradeCmdFrames[step], 8);
    send(&f);
}

void DcHandler::sendUpgradeLine(int address, const uint8_t* bytes, int n)
{
    for (int k = 0; 8 * k < n; ++k) {
        CanFrame f = commandFrame(1, k * 16 + 6, address);
        f.sa = UPGRADE_ADDRESS;
        memcpy(f.data, bytes + 8 * k, 8);
        send(&f);
    }
}

bool DcHandler::upgradePause(int ms)
{
    if (m_upgradeAbort)
        return false;
    TimeSeam::waitMs(ms);
    return !m_upgradeAbort;
}

bool DcHandler::workListEmpty()
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    return m_workList.empty();
}

void DcHandler::dropFromWorkList(int address)
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    m_workList.erase(std::remove(m_workList.begin(), m_workList.end(), address), m_workList.end());
}

bool DcHandler::singleAnswerCheck(int address)
{
    bool several = m_replyCount > 1;
    for (int s = 0; s < 6 && !several; ++s) {
        if (!upgradePause(1000))
            return false;
        several = m_replyCount > 1;
    }
    setUpgradeResult(address, R_SINGLE, several ? -2 : 1);
    if (several) {
        printf("DcHandler::singleAnswerCheck several modules answered at %d\n", address);
        std::lock_guard<std::mutex> g(m_upgradeLock);
        m_workList.clear();
    }
    return !several;
}

void DcHandler::waitStep(int which)
{
    std::vector<int> targets;
    {
        std::lock_guard<std::mutex> g(m_upgradeLock);
        targets = m_workList;
    }
    const bool single = m_countReplies && (which == R_BOOT || which == R_DECRYPT);
    int polls = 0;
    for (int address : targets) {
        for (;;) {
            const int r = upgradeResult(address, which);
            if (r == 1) {
                if (single)
                    singleAnswerCheck(address);
                break;
            }
            if (r == -1 || polls >= STEP_POLLS) {
                std::lock_guard<std::mutex> g(m_upgradeLock);
                m_resendList.push_back(uint8_t(address));
                if (UpgradeModule* e = upgradeEntry(address))
                    e->result[which] = 0;
                break;
            }
            if (!upgradePause(10))
                return;
            ++polls;
        }
        if (workListEmpty())
            return;
    }
}

void DcHandler::resendStep(int step, int which)
{
    const bool single = m_countReplies && (which == R_BOOT || which == R_DECRYPT);
    for (int round = 0; round < UPGRADE_ROUNDS; ++round) {
        std::vector<uint8_t> waiting;
        {
            std::lock_guard<std::mutex> g(m_upgradeLock);
            waiting = m_resendList;
        }
        if (waiting.empty())
            return;
        for (uint8_t address : waiting) {
            sendUpgradeCmd(step, address);
            if (!upgradePause(5))
                return;
        }
        int polls = 0;
        for (uint8_t address : waiting) {
            for (;;) {
                const int r = upgradeResult(address, which);
                if (r == 1) {
                    if (single)
                        singleAnswerCheck(address);
                    std::lock_guard<std::mutex> g(m_upgradeLock);
                    m_resendList.erase(std::remove(m_resendList.begin(), m_resendList.end(), address),
                        m_resendList.end());
                    break;
                }
                if (r == -1)
                    setUpgradeResult(address, which, 0);   // asked again next round
                if (r == -1 || polls >= STEP_POLLS)
                    break;
                if (!upgradePause(10))
                    return;
                ++polls;
            }
            if (workListEmpty())
                return;
        }
    }
    std::lock_guard<std::mutex> g(m_upgradeLock);
    for (uint8_t address : m_resendList) {
        if (UpgradeModule* e = upgradeEntry(address))
            e->result[which] = -2;
        m_workList.erase(std::remove(m_workList.begin(), m_workList.end(), int(address)), m_workList.end());
        printf("DcHandler::resendStep target %d failed step %d\n", address, step);
    }
    m_resendList.clear();
}

bool DcHandler::sendLineAcknowledged(int address, const uint8_t* bytes, int n)
{
    sendUpgradeLine(address, bytes, n);
    for (int round = 0; round <= UPGRADE_ROUNDS; ++round) {
        if (round > 0)
            sendUpgradeLine(address, bytes, n);
        bool done = false;
        for (int polls = 0; polls < LINE_POLLS; ++polls) {
            const int r = upgradeResult(address, R_LINE);
            if (r == 1) {
                done = true;
                break;
            }
            if (r == -1)
                break;
            if (!upgradePause(1))
                return false;
        }
        setUpgradeResult(address, R_LINE, 0);
        if (done)
            return true;
    }
    return false;
}

void DcHandler::dataPhase()
{
    const std::string file = upgradeFile();
    size_t i = 0;
    for (;;) {
        int address;
        {
            std::lock_guard<std::mutex> g(m_upgradeLock);
            if (i >= m_workList.size())
                return;
            address = m_workList[i];
        }
        FILE* fp = file.empty() ? nullptr : fopen(SysPath::resolve(file).c_str(), "r");
        if (!fp) {
            printf("DcHandler::dataPhase cannot open %s\n", file.c_str());
            setUpgradeResult(address, R_DATA, -1);
            dropFromWorkList(address);
            continue;
        }
        // A record-sized buffer: a file changed since its check is never read a whole line at
        // a time, however long its lines are.
        char line[UpgradeHexLine::LINE_CHARS + 3];
        int lineNo = 0;
        bool dropped = false;
        while (!dropped && fgets(line, sizeof line, fp)) {
            ++lineNo;
            size_t len = strlen(line);
            const bool whole = (len > 0 && line[len - 1] == '\n') || feof(fp);
            while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r'))
                --len;
            m_progress += int(len) + 2;
            if (whole && (len == 0 || line[0] != ':'))
                continue;
            uint8_t bytes[UpgradeHexLine::FRAME_BYTES];
            const int n = whole ? UpgradeHexLine::convert(line + 1, len - 1, bytes) : -1;
            if (n < 0) {
                // Nothing of a damaged file goes further to this target.
                printf("DcHandler::dataPhase %s line %d malformed\n", file.c_str(), lineNo);
                setUpgradeResult(address, R_DATA, -1);
                dropFromWorkList(address);
                dropped = true;
            } else if (!sendLineAcknowledged(address, bytes, n)) {
                if (m_upgradeAbort)
                    break;
                printf("DcHandler::dataPhase target %d line %d not acknowledged\n", address, lineNo);
                setUpgradeResult(address, R_DATA, -2);
                dropFromWorkList(address);
                dropped = true;
            }
        }
        fclose(fp);
        if (m_upgradeAbort)
            return;
        if (!dropped)
            ++i;
    }
}

void DcHandler::startUpgrade()
{
    const int broadcast = m_deviceType == 1 ? 0xBF : 0x7F;
    std::vector<int> targets;
    {
        std::lock_guard<std::mutex> g(m_upgradeLock);
        targets = m_workList;
        m_resendList.clear();
    }
    // The file may have changed since it was chosen: checked again before the first frame, so
    // that no module is left erased with half a program.
    const std::string file = upgradeFile();
    if (file.empty() || UpgradeHexLine::checkFile(SysPath::resolve(file).c_str()) != 0) {
        printf("DcHandler::startUpgrade %s is missing or damaged, nothing sent\n", file.c_str());
        std::lock_guard<std::mutex> g(m_upgradeLock);
        for (int address : m_workList)
            if (UpgradeModule* e = upgradeEntry(address))
                e->result[R_DATA] = -1;
        m_workList.clear();
        targets.clear();
    }
    for (int address : targets) {
        sendUpgradeCmd(0, address);
        upgradePause(5);
    }
    waitStep(R_BOOT);
    resendStep(0, R_BOOT);
    if (!workListEmpty() && !m_upgradeAbort) {
        if (m_countReplies) {
            m_replyCount = 0;
            std::lock_guard<std::mutex> g(m_upgradeLock);
            if (!m_workList.empty())
                if (UpgradeModule* e = upgradeEntry(m_workList.front()))
                    e->result[R_SINGLE] = 0;
        }
        sendUpgradeCmd(1, broadcast);
        waitStep(R_DECRYPT);
        resendStep(1, R_DECRYPT);
    }
    if (!workListEmpty() && !m_upgradeAbort) {
        sendUpgradeCmd(2, broadcast);
        waitStep(R_ERASE);
        resendStep(2, R_ERASE);
    }
    if (!workListEmpty() && !m_upgradeAbort) {
        m_progress = 0;
        dataPhase();
    }
    if (!workListEmpty() && !m_upgradeAbort) {
        {
            std::lock_guard<std::mutex> g(m_upgradeLock);
            for (int address : m_workList)
                if (UpgradeModule* e = upgradeEntry(address))
                    e->result[R_DATA] = 1;
        }
        sendUpgradeCmd(3, broadcast);
        waitStep(R_END);
        resendStep(3, R_END);
    }
    m_upgrading = false;
    commandSetting(22, 2, 1.0f);
}

void* DcHandler::upgradeThread(void* arg)
{
    pthread_setname_np(pthread_self(), "dc-upgrade");
    static_cast<DcHandler*>(arg)->startUpgrade();
    return nullptr;
}

void DcHandler::joinUpgrade()
{
    if (m_upgradeJoinable) {
        pthread_join(m_upgradeTid, nullptr);
        m_upgradeJoinable = false;
    }
}
