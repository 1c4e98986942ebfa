#include "interface_tlm.h"
#include "ui_interface_tlm.h"

#include "devicedata.h"
#include "devicedataof.h"
#include "globalvar.h"
#include "modbusacdcdata.h"
#include "nametables.h"
#include "plotcompat.h"
#include "statepaint.h"

#include <QPainter>
#include <QTimer>
#include <qcustomplot.h>

namespace {

// Where the values stand over the background picture (its boxes are drawn to match).
const int kLeft = 20;
const int kMiddle = 176;
const int kState = 90;

QString fixed(float v, int decimals)
{
    return QString::number(double(v), 'f', decimals < 0 ? 0 : decimals > 6 ? 6 : decimals);
}

} // namespace

interface_Tlm::interface_Tlm(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::interface_Tlm)
{
    ui->setupUi(this);
    QPalette pal = palette();
    pal.setBrush(QPalette::Window, QBrush(QPixmap(":/image/tlm_main.png")));
    setPalette(pal);
    setAutoFillBackground(true);

    plotInit();
    enableDateCombos();

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &interface_Tlm::checkDemo);
    m_timer->start(2000);
}

interface_Tlm::~interface_Tlm()
{
    delete ui;
}

void interface_Tlm::setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc,
    ModbusSTSData* sts, BmsData* bms)
{
    m_rtu = rtu;
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_bms = bms;
    m_acdcData = deviceDataOf(acdc);
    m_dcdcData = deviceDataOf(dcdc);
    m_stsData = deviceDataOf(sts);
    m_ready = true;
}

void interface_Tlm::startfresh(int stop)
{
    if (stop == 0) {
        connect(m_timer, &QTimer::timeout, this, &interface_Tlm::checkDemo, Qt::UniqueConnection);
        m_timer->start(2000);
    } else {
        disconnect(m_timer, &QTimer::timeout, this, nullptr);
        m_timer->stop();
    }
}

void interface_Tlm::plotInit()
{
    m_year = 2017;
    m_month = 1;
    m_day = 1;
    QCustomPlot* plot = ui->customPlot;
    m_income = plot->addGraph();
    m_income->setPen(QPen(QColor(200, 0, 0)));
    m_income->setVisible(false);

    m_chargeBars = new QCPBars(plot->xAxis, plot->yAxis);
    m_chargeBars->setBrush(QColor(114, 117, 255));
    m_dischargeBars = new QCPBars(plot->xAxis, plot->yAxis);
    m_dischargeBars->setPen(QPen(QColor(255, 114, 114)));
    m_dischargeBars->setBrush(QColor(255, 114, 114));

    QVector<double> x(12), zero(12);
    for (int i = 0; i < 12; ++i)
        x[i] = i;
    m_chargeBars->setData(x, zero);
    m_dischargeBars->setData(x, zero);
    m_income->setData(x, zero);
    PlotCompat::setTickVector(plot->xAxis, QVector<double>(), QVector<QString>());
}

void interface_Tlm::enableDateCombos()
{
    ui->comboBox_tlm_2->setEnabled(true);
    ui->comboBox_tlm_3->setEnabled(m_mode >= 1);
    ui->comboBox_tlm_4->setEnabled(m_mode >= 2);
}

int interface_Tlm::readEnergy(int which, int year, int month, int day, int halfHour, float* out)
{
    if (!m_acdc)
        return -1;
    switch (which) {
    case 0:
        return m_acdc->getCharge(year, month, day, halfHour, out);
    case 1:
        return m_acdc->getDischarge(year, month, day, halfHour, out);
    default:
        return m_acdc->getMoney(year, month, day, halfHour, out);
    }
}

void interface_Tlm::checkDemo()
{
    if (m_totalCharge != m_chartCharge || m_totalDischarge != m_chartDischarge) {
        Demo();
        m_chartCharge = m_totalCharge;
        m_chartDischarge = m_totalDischarge;
    }
}

void interface_Tlm::Demo()
{
    const int n = m_mode == 1 ? 31 : m_mode == 2 ? 48 : 12;

    QVector<QString> labels(n);
    for (int i = 0; i < n; i += 2)
        labels[i] = QString("%1").arg(i + 1);

    QVector<double> x(n), charge(n, 0.0), discharge(n, 0.0), income(n, 0.0);
    for (int k = 1; k <= n; ++k) {
        x[k - 1] = k - 1;
        int y = m_year, m = k, d = 0, h = 0;
        if (m_mode == 1) {
            m = m_month;
            d = k;
        } else if (m_mode == 2) {
            m = m_month;
            d = m_day;
            h = k;
        }
        float v = 0;
        if (readEnergy(0, y, m, d, h, &v) == 0)
            charge[k - 1] = v;
        v = 0;
        if (readEnergy(1, y, m, d, h, &v) == 0)
            discharge[k - 1] = v;
        v = 0;
        if (readEnergy(2, y, m, d, h, &v) == 0)
            income[k - 1] = v;
    }
    m_chargeBars->setData(x, charge);
    m_dischargeBars->setData(x, discharge);
    m_income->setData(x, income);

    QCustomPlot* plot = ui->customPlot;
    plot->rescaleAxes();
    fitBars();
    const QCPRange range = plot->xAxis->range();
    const double w = m_chargeBars->width();
    const double step = n > 1 ? w + (range.size() - n * w) / (n - 1) : 0;
    QVector<double> ticks(n);
    for (int i = 0; i < n; ++i)
        ticks[i] = range.lower + i * step + w / 2;
    PlotCompat::setTickVector(plot->xAxis, ticks, labels);
    plot->replot();
}

void interface_Tlm::on_comboBox_tlm_activated(int mode)
{
    m_mode = mode;
    enableDateCombos();
    Demo();
}

void interface_Tlm::on_comboBox_tlm_2_activated(int i)
{
    m_year = 2017 + i;
    Demo();
}

void interface_Tlm::on_comboBox_tlm_3_activated(int i)
{
    m_month = i + 1;
    Demo();
}

void interface_Tlm::on_comboBox_tlm_4_activated(int i)
{
    m_day = i + 1;
    Demo();
}

void interface_Tlm::on_radioButton_tlm_clicked()
{
    m_chargeBars->setVisible(true);
    m_dischargeBars->setVisible(true);
    m_income->setVisible(false);
    ui->customPlot->rescaleAxes();
    fitBars();
    ui->customPlot->replot();
}

void interface_Tlm::fitBars()
{
    // The bars' own key range counts their width in pixels of the present layout, which a chart
    // not yet laid out lacks (the first and last bar came out half cut): span them by hand.
    const int n = m_chargeBars->data()->size();
    const double half = m_chargeBars->width() / 2;
    if (n > 0)
        ui->customPlot->xAxis->setRange(-half, n - 1 + half);
}

void interface_Tlm::on_radioButton_tlm_2_clicked()
{
    m_chargeBars->setVisible(false);
    m_dischargeBars->setVisible(false);
    m_income->setVisible(true);
    ui->customPlot->rescaleAxes();
    ui->customPlot->replot();
}

float interface_Tlm::analog(DeviceData* device, int module, int index) const
{
    float v = 0;
    if (device)
        device->getAnalog(module, index, &v);
    return v;
}

QString interface_Tlm::rowText(DeviceData* device, int module, int row) const
{
    return fixed(analog(device, module, uiDataInfo[row].index), uiDataInfo[row].decimals);
}

QString interface_Tlm::rowsJoined(DeviceData* device, int module, int first, int last) const
{
    QStringList values;
    for (int row = first; row <= last; ++row)
        values << rowText(device, module, row);
    return values.join(" /");
}

void interface_Tlm::paintEvent(QPaintEvent*)
{
    if (!m_ready)
        return;
    QPainter painter(this);
    QFont font = painter.font();
    font.setPointSize(10);
    painter.setFont(font);
    painter.setPen(Qt::black);

    // AC bus of the converter.
    painter.drawText(kLeft, 38, "U: " + rowsJoined(m_acdcData, 0, 0, 2));
    painter.drawText(kLeft, 56, "I: " + rowsJoined(m_acdcData, 0, 3, 5));
    // Converter power and the first branch.
    painter.drawText(kLeft, 102, rowText(m_acdcData, 0, 18) + "kW");
    painter.drawText(kMiddle, 102,
        fixed(analog(m_acdcData, 1001, 4), 1) + "V /" + fixed(analog(m_acdcData, 1001, 5), 1) + "A");
    // Grid side, measured by the transfer switch.
    painter.drawText(kLeft, 148, "U: " + rowsJoined(m_stsData, 0, 30, 32));
    painter.drawText(kLeft, 166, "I: " + rowsJoined(m_stsData, 0, 33, 35));
    painter.drawText(kLeft, 184, rowText(m_stsData, 0, 48) + "kW");
    // Energy totals; checkDemo compares them with the chart's.
    m_totalCharge = analog(m_acdcData, 0, 41);
    m_totalDischarge = analog(m_acdcData, 0, 42);
    painter.drawText(kLeft, 230, fixed(m_totalCharge, 1) + "kWh");
    painter.drawText(kMiddle, 230, fixed(m_totalDischarge, 1) + "kWh");
    // Powers, each with its row's caption.
    for (int i = 0; i < 3; ++i)
        painter.drawText(kLeft, 276 + 18 * i,
            tr(uiDataInfo[18 + i].name) + ": " + rowText(m_acdcData, 0, 18 + i));
    // Grid mode and run state.
    painter.drawText(kLeft, 440, (m_acdcData && m_acdcData->getStatus(0, 56) == 1) ? tr("离网") : tr("并网"));
    painter.save();
    const QString state = showDeviceRunStat(dcacstate[50], painter);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.drawText(kState, 440, state);
    painter.restore();
    // Module 1 values.
    const int moduleRows[3] = { 233, 234, 313 };
    for (int i = 0; i < 3; ++i)
        painter.drawText(kLeft, 358 + 18 * i,
            tr(uiDataInfo[moduleRows[i]].name) + ": " + rowText(m_acdcData, 1, moduleRows[i]));
    // Total income.
    float money = 0;
    if (readEnergy(2, 0, 0, 0, 0, &money) != 0)
        money = 0;
    painter.drawText(kMiddle, 440, QString::number(double(money), 'f', 4));
}
