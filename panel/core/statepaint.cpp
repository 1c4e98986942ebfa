#include "statepaint.h"

#include <QColor>
#include <QObject>
#include <QPainter>

namespace {
const char kGrey[] = "#f0f0f0";
const char kGreen[] = "#00a550";
const char kRed[] = "#ff6e6e";
}

QString showDeviceRunStat(int code, QPainter& painter)
{
    QString text;
    const char* colour = kGreen;
    switch (code) {
    case 17: text = QObject::tr("正常"); break;
    case 18: text = QObject::tr("故障"); colour = kRed; break;
    case 19: text = QObject::tr("告警"); colour = kRed; break;
    case 20: text = QObject::tr("充满"); break;
    case 21: text = QObject::tr("充电"); break;
    case 22: text = QObject::tr("放空"); break;
    case 23: text = QObject::tr("放电"); break;
    case 24: text = QObject::tr("待机"); break;
    case 25: text = QObject::tr("休眠"); break;
    case 26: text = QObject::tr("停机"); break;
    case 27: text = QObject::tr("运行"); break;
    case 28: text = QObject::tr("光伏发电"); break;
    case 29: text = QObject::tr("---"); colour = kGrey; break;
    case 32: text = QObject::tr("恒压浮充"); break;
    case 33: text = QObject::tr("恒压均充"); break;
    default: text = QObject::tr("离线"); colour = kGrey; break;
    }
    painter.setBackground(QBrush(QColor(colour)));
    return text;
}

void showModeStat(int x, int y, QPainter& painter, unsigned char code)
{
    QString text;
    const char* colour = kGreen;
    switch (code) {
    case 18: text = QObject::tr("故障"); colour = kRed; break;
    case 19: text = QObject::tr("告警"); colour = kRed; break;
    case 24:
    case 25:
    case 26: text = QObject::tr("停机"); break;
    case 20:
    case 21:
    case 22:
    case 23:
    case 27:
    case 28:
    case 32:
    case 33: text = QObject::tr("运行"); break;
    default: text = QObject::tr("离线"); colour = kGrey; break;
    }
    painter.setBackground(QBrush(QColor(colour)));
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.drawText(x, y, text);
    painter.setBackgroundMode(Qt::TransparentMode);
}

QString showBatteryType(int code)
{
    switch (code) {
    case 1: return QObject::tr("铅酸电池");
    case 2: return QObject::tr("镍氢电池");
    case 3: return QObject::tr("磷酸铁锂电池");
    case 4: return QObject::tr("锰酸锂电池");
    case 5: return QObject::tr("钴酸锂电池");
    case 6: return QObject::tr("三元材料电池");
    case 7: return QObject::tr("聚合物锂电池");
    case 8: return QObject::tr("钛酸锂电池");
    default: return QObject::tr("其他电池");
    }
}

QString showBmsAlarm(int level)
{
    switch (level) {
    case 1: return QObject::tr("告警 LV1");
    case 2: return QObject::tr("告警 LV2");
    case 3: return QObject::tr("告警 LV3");
    case 4: return QObject::tr("告警 LV4");
    default: return QObject::tr("正常");
    }
}
