#ifndef SETTINGSPAGE_H
#define SETTINGSPAGE_H

#include "tab_set.h"

#include "globalvar.h"
#include "helpdialog.h"
#include "monitorset.h"
#include "racktable.h"
#include "runtimetree.h"
#include "settingstest.h"

#include <QFile>
#include <QLabel>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

// A device that also notes its writes in a log shared with other devices, so the order of
// writes across devices shows ("tcp 0 503").
class OrderedDevice : public PendingDevice {
public:
    OrderedDevice(const char* name, std::vector<std::string>* log)
        : name_(name)
        , log_(log)
    {
    }
    int setting(int module, int index, float value, int flag) override
    {
        log_->push_back(name_ + " " + std::to_string(module) + " " + std::to_string(index));
        return PendingDevice::setting(module, index, value, flag);
    }

private:
    std::string name_;
    std::vector<std::string>* log_;
};

// The settings page on fake devices, attached, with a clean set of monitor settings.
struct SettingsPage {
    RuntimeTree tree;
    std::vector<std::string> order;
    OrderedDevice rtu{ "rtu", &order }, tcp{ "tcp", &order }, sts{ "sts", &order };
    OrderedDevice ac{ "ac", &order }, dc{ "dc", &order };
    Tab_set tab;
    QLabel tip;
    std::vector<int> tips;

    explicit SettingsPage(int level = 4)
    {
        for (int i = 0; i < 80; ++i) {
            set[i].value = 0;
            set[i].text.clear();
        }
        set[0].value = 5;
        set[3].text = "192.168.1.10";
        set[4].text = "192.168.1.1";
        set[5].text = "255.255.255.0";
        set[7].value = 1;
        set[21].value = 1;
        set[23].value = 10;
        for (int& v : MACH_TYPE)
            v = 0;
        rackInfoMap.clear();
        std::memset(&currentRackInfo, 0, sizeof currentRackInfo);
        keyword_right = level;
        tipslabel = &tip;
        QObject::connect(&tab, &Tab_set::sendcommond, [this](int c) { tips.push_back(c); });
    }
    ~SettingsPage() { tipslabel = nullptr; }
    void attach()
    {
        tab.setDeviceViews(&rtu, &tcp, &ac, &dc, &sts);
        clearWrites();
    }
    void clearWrites()
    {
        for (FakeDevice* d : { static_cast<FakeDevice*>(&rtu), static_cast<FakeDevice*>(&tcp),
                 static_cast<FakeDevice*>(&sts), static_cast<FakeDevice*>(&ac), static_cast<FakeDevice*>(&dc) })
            d->writes.clear();
        ac.polled.clear();
        dc.polled.clear();
        order.clear();
        tips.clear();
    }
    bool nothingWritten() const
    {
        return rtu.writes.empty() && tcp.writes.empty() && sts.writes.empty() && ac.writes.empty()
            && dc.writes.empty();
    }
    // Shows sub-page f on its tab and refreshes it, as the container does.
    void show(int f, int tabIndex)
    {
        tab.setfirstindex(f);
        tab.setCurrentIndex(tabIndex);
        tab.mpaintEvent();
    }
    void slot(const char* name) { QMetaObject::invokeMethod(&tab, name); }
    void combo(const char* name, int row) { QMetaObject::invokeMethod(&tab, name, Q_ARG(int, row)); }
    // Types text into the keypad the slot opens (null cancels it).
    void entry(const char* slotName, const char* text)
    {
        KeyPadTyper typer(text);
        slot(slotName);
    }
    template <typename T> T* w(const char* name) const { return tab.findChild<T*>(name); }
};

// Closes the next help dialog and tells whether one opened.
struct HelpCloser {
    bool opened = false;
    QTimer timer;
    HelpCloser()
    {
        QObject::connect(&timer, &QTimer::timeout, [this]() {
            HelpDialog* help = qobject_cast<HelpDialog*>(QApplication::activeModalWidget());
            if (!help)
                return;
            timer.stop();
            opened = true;
            help->reject();
        });
        timer.start(5);
    }
};

// A monitor setting as "monitorset.txt" in the working directory holds it; the running settings
// stay as they are. Without the file the value is one no setting takes.
inline setvalue savedSetting(int slot)
{
    if (!QFile::exists("monitorset.txt"))
        return setvalue{ INT_MIN, QString("(no monitorset.txt)") };
    std::vector<setvalue> running(set, set + 80);
    const int bms = BmsType;
    readmonitorset();
    const setvalue saved = set[slot];
    std::copy(running.begin(), running.end(), set);
    BmsType = bms;
    return saved;
}

// Slot k of the tree's "setting.dat" (floats the AC pages show), -1 when the file is shorter.
inline float shownValue(const RuntimeTree& tree, int slot)
{
    const std::string bytes = tree.readFile("bin/setting.dat");
    float v = -1;
    if (bytes.size() >= size_t(slot + 1) * sizeof v)
        std::memcpy(&v, bytes.data() + slot * sizeof v, sizeof v);
    return v;
}

#endif
