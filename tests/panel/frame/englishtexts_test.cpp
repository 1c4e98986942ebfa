#include "keydialog.h"
#include "keypad.h"
#include "layoutframe.h"
#include "pageturnadv.h"
#include "panelfonts.h"
#include "runtimetree.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QXmlStreamReader>
#include <functional>

// In English the panel shows English: the translation file has a finished English text for every
// text of the code, and no page, keypad prompt or message of the frame shows a Chinese character,
// but for the few settings captions that keep their Chinese text.

namespace {

// Captions of the settings form that the translation file leaves without English; in English
// they show their Chinese text.
const char* const kStayChinese[] = { "光伏唤醒电压", "10分钟过压幅值", "最大容性无功调节量Q1",
    "最大感性无功调节量Q4", "电压无功调节参考电压", "过频反应终止调节点", "欠频反应起始调节点",
    "欠频反应终止调节点" };
// The language picker names Chinese in its own script, so that a reader of Chinese finds it.
const char* const kLanguageName = "简体中文";

bool isChinese(uint c)
{
    return (c >= 0x3000 && c <= 0x303F)        // CJK symbols and punctuation
        || (c >= 0x3400 && c <= 0x4DBF)        // extension A
        || (c >= 0x4E00 && c <= 0x9FFF)        // unified ideographs
        || (c >= 0xF900 && c <= 0xFAFF)        // compatibility ideographs
        || (c >= 0x20000 && c <= 0x2FA1F);     // the supplementary planes' ideographs
}

bool hasChinese(const QString& text)
{
    for (uint c : text.toUcs4())
        if (isChinese(c))
            return true;
    return false;
}

bool mayStayChinese(const QString& text)
{
    const QString t = text.trimmed();
    if (t == QString::fromUtf8(kLanguageName))
        return true;
    for (const char* c : kStayChinese)
        if (t == QString::fromUtf8(c))
            return true;
    return false;
}

// The texts among found that show Chinese where they should not.
QStringList chineseTexts(const QStringList& found)
{
    QStringList out;
    for (const QString& t : found)
        if (hasChinese(t) && !mayStayChinese(t) && !out.contains(t))
            out << t;
    return out;
}

struct TsMessage {
    QString context;
    QString source;
    QString type;   // "", "unfinished", "obsolete", "vanished"
    QString translation;
};

QList<TsMessage> readTs(const QString& path, QString* error)
{
    QList<TsMessage> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = "cannot open " + path;
        return out;
    }
    QXmlStreamReader xml(&f);
    QString context;
    TsMessage m;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("message"))
            m = TsMessage { context, QString(), QString(), QString() };
        else if (xml.name() == QLatin1String("source"))
            m.source = xml.readElementText();
        else if (xml.name() == QLatin1String("translation")) {
            m.type = xml.attributes().value("type").toString();
            m.translation = xml.readElementText();
            out << m;
        }
    }
    if (xml.hasError())
        *error = path + ": " + xml.errorString();
    return out;
}

QString sourceTs()
{
    return QStringLiteral(STATIONPANEL_SOURCE_DIR "/resources/abc.ts");
}

TEST(TranslationFile, EveryTextHasAFinishedEnglishText)
{
    QString error;
    const QList<TsMessage> messages = readTs(sourceTs(), &error);
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
    ASSERT_GT(messages.size(), 1000);
    QStringList faults;
    for (const TsMessage& m : messages) {
        if (m.type == "obsolete" || m.type == "vanished")
            continue;
        if (m.context == "tab_set" && mayStayChinese(m.source))
            continue;
        const QString where = m.context + " \"" + m.source + "\"";
        if (m.type == "unfinished")
            faults << where + ": unfinished";
        else if (m.translation.trimmed().isEmpty())
            faults << where + ": empty";
        else if (hasChinese(m.translation) && !mayStayChinese(m.translation))
            faults << where + ": Chinese in \"" + m.translation + "\"";
    }
    EXPECT_TRUE(faults.isEmpty()) << faults.size() << " texts without English:\n" << qPrintable(faults.join('\n'));
}

// Parts give some English texts: those stand in the file as given.
TEST(TranslationFile, KeepsTheGivenEnglishTexts)
{
    QString error;
    QMap<QPair<QString, QString>, QString> english;
    for (const TsMessage& m : readTs(sourceTs(), &error))
        english[qMakePair(m.context, m.source)] = m.translation;
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
    struct Given {
        const char* context;
        const char* source;
        const char* english;
    };
    const Given given[] = {
        { "interface_Energy", "削峰填谷", "Peak shifting" },
        { "interface_Energy", "光储一体自动控制", "PV auto strategy" },
        { "interface_Energy", "直流48段自动控制", "DC 48-segment control" },
        { "interface_Energy", "防逆流功能：", "Non-export：" },
        { "interface_Energy", "电网供电功率下限：", "Minimum import power from grid:" },
        { "interface_Energy", "电池放电截止容量：", "End-of-discharge capacity: " },
        { "interface_Energy", "电网电表", "Utility Meter" },
        { "interface_Energy", "负载电表", "Load Meter" },
        { "interface_Energy", "绝缘检测仪", "Insulation" },
        { "interface_Energy", "检测状态", "Check state" },
        { "interface_Energy", "通讯状态", "Communication status" },
        { "EnergySchedule", "重启生效！", "Reboot to take effect" },
        { "EnergyGraph", "——PCS功率(kW)", "——PCS P(kW)" },
        { "EnergyGraph", "按年显示", "Year" },
        { "interface_Tlm", "充放电直方图", "charge-discharge histogram" },
        { "interface_Tlm", "收益曲线图", "Earnings graph" },
        { "tab_set", "电压保护", "L/HVRT" },
        { "tab_set", "自老化", "Ageing" },
    };
    for (const Given& g : given) {
        const auto key = qMakePair(QString(g.context), QString::fromUtf8(g.source));
        ASSERT_TRUE(english.contains(key)) << g.context << " " << g.source;
        EXPECT_EQ(english.value(key), QString::fromUtf8(g.english)) << g.context << " " << g.source;
    }
}

// lupdate over the panel's sources finds no text the file lacks: a text added to the code without
// an entry would show Chinese in English.
TEST(TranslationFile, HoldsEveryTextOfTheCode)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString scanned = dir.filePath("scanned.ts");
    ASSERT_TRUE(QFile::copy(sourceTs(), scanned));
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(STATIONPANEL_LUPDATE),
        { "-silent", "-locations", "none", "-disable-heuristic", "number", "-disable-heuristic", "similartext",
            "-disable-heuristic", "sametext", QStringLiteral(STATIONPANEL_SOURCE_DIR "/panel"), "-ts", scanned });
    ASSERT_TRUE(lupdate.waitForFinished(60000)) << qPrintable(lupdate.errorString());
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAll().constData();

    QString error;
    QSet<QPair<QString, QString>> known;
    for (const TsMessage& m : readTs(sourceTs(), &error))
        if (m.type != "obsolete" && m.type != "vanished")
            known.insert(qMakePair(m.context, m.source));
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
    QStringList missing;
    QStringList gone;
    for (const TsMessage& m : readTs(scanned, &error)) {
        const auto key = qMakePair(m.context, m.source);
        if (m.type == "vanished" || m.type == "obsolete") {
            if (known.contains(key))
                gone << m.context + " \"" + m.source + "\"";
        } else if (!known.contains(key)) {
            missing << m.context + " \"" + m.source + "\"";
        }
    }
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
    EXPECT_TRUE(missing.isEmpty()) << "texts of the code that the translation file lacks:\n"
                                   << qPrintable(missing.join('\n'));
    // An entry the code no longer marks for translation is dropped by lrelease: its text shows
    // Chinese again.
    EXPECT_TRUE(gone.isEmpty()) << "entries no text of the code refers to (a tr() of an unmarked text?):\n"
                                << qPrintable(gone.join('\n'));
}

// Closes every modal window as it shows (a keypad with ESC, a question with its No) and keeps the
// texts it showed.
class ModalCloser {
public:
    ModalCloser()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this]() { closeShown(); });
        timer_.start(5);
    }
    QStringList texts;
    int shown = 0;

private:
    void closeShown()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return;
        ++shown;
        texts << drawnTexts(w);
        for (QLabel* l : w->findChildren<QLabel*>())
            texts << l->text();
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
            texts << b->text();
        if (KeyPad* pad = qobject_cast<KeyPad*>(w)) {
            if (QPushButton* esc = pad->findChild<QPushButton*>("cancel"))
                esc->click();
            else
                pad->reject();
        } else if (QMessageBox* box = qobject_cast<QMessageBox*>(w)) {
            texts << box->text() << box->informativeText() << box->windowTitle();
            QAbstractButton* no = nullptr;
            for (QAbstractButton* b : box->buttons()) {
                const QMessageBox::ButtonRole role = box->buttonRole(b);
                if (role == QMessageBox::RejectRole || role == QMessageBox::NoRole)
                    no = b;
            }
            if (no)
                no->click();
            else
                box->reject();
        } else if (QDialog* d = qobject_cast<QDialog*>(w)) {
            d->reject();
        } else {
            w->close();
        }
    }
    QTimer timer_;
};

// What a page shows: every text it paints, every entry of its combo boxes and what the keypads,
// text pads and questions behind its entry fields show.
QStringList shownTexts(LayoutFrame& frame, int* touched)
{
    QStringList texts = drawnTexts(frame.window.get());
    for (QComboBox* box : frame.window->findChildren<QComboBox*>())
        if (box->isVisible())
            for (int i = 0; i < box->count(); ++i)
                texts << box->itemText(i);
    QList<QLineEdit*> edits;
    for (QLineEdit* e : frame.window->findChildren<QLineEdit*>())
        if (e->isVisible() && e->isEnabled() && !qobject_cast<QComboBox*>(e->parentWidget()))
            edits << e;
    ModalCloser closer;
    for (QLineEdit* e : edits) {
        // A touch on the field: its slot opens the keypad with the field's prompt.
        QMetaObject::invokeMethod(e, "selectionChanged", Qt::DirectConnection);
        QApplication::processEvents();
        ++*touched;
    }
    texts << closer.texts;
    texts << drawnTexts(frame.window.get());
    return texts;
}

// A page reached through its tool-bar page and sub-menu row, after an optional step that sets the
// page up (a strategy chosen, a device picked).
struct EnglishCase {
    const char* name;
    PageRow page;
    std::function<void(LayoutFrame&)> before;
};

void PrintTo(const EnglishCase& c, std::ostream* os)
{
    *os << c.name;
}

// What a user does with a combo box: picks an entry.
void pick(LayoutFrame& frame, const char* combo, int index)
{
    QComboBox* box = frame.window->findChild<QComboBox*>(combo);
    ASSERT_TRUE(box) << combo;
    ASSERT_LT(index, box->count()) << combo;
    box->setCurrentIndex(index);
    emit box->activated(index);
    frame.settle();
}

const PageRow& pageNamed(const char* name)
{
    for (const PageRow& p : kPages)
        if (QLatin1String(p.name) == QLatin1String(name))
            return p;
    ADD_FAILURE() << "no page " << name;
    return kPages[0];
}

void chooseStrategy(LayoutFrame& frame, int strategy)
{
    frame.open(pageNamed("EnergyDescription"));
    pick(frame, "comboBox_Manage", strategy);
}

std::vector<EnglishCase> allCases()
{
    std::vector<EnglishCase> cases;
    for (const PageRow& p : kPages)
        cases.push_back({ p.name, p, nullptr });
    cases.push_back({ "EnergyDescriptionPv", pageNamed("EnergyDescription"), [](LayoutFrame& f) { chooseStrategy(f, 1); } });
    cases.push_back({ "EnergyStrategyPv", pageNamed("EnergyStrategy"), [](LayoutFrame& f) { chooseStrategy(f, 1); } });
    cases.push_back({ "EnergyDescriptionDc", pageNamed("EnergyDescription"), [](LayoutFrame& f) { chooseStrategy(f, 2); } });
    cases.push_back({ "EnergyDailyDc", pageNamed("EnergyDaily"), [](LayoutFrame& f) { chooseStrategy(f, 2); } });
    cases.push_back({ "EnergyAccessoriesLoadMeter", pageNamed("EnergyAccessories"), [](LayoutFrame& f) {
                         f.open(pageNamed("EnergyAccessories"));
                         pick(f, "comboBox_DB", 1);
                     } });
    cases.push_back({ "EnergyAccessoriesInsulation", pageNamed("EnergyAccessories"), [](LayoutFrame& f) {
                         f.open(pageNamed("EnergyAccessories"));
                         pick(f, "comboBox_DB", 2);
                     } });
    return cases;
}

class EnglishPage : public ::testing::TestWithParam<EnglishCase> {
protected:
    RuntimeTree tree { true };
};

TEST_P(EnglishPage, ShowsNoChinese)
{
    const EnglishCase& c = GetParam();
    PanelFonts::install();
    LayoutFrame frame(true);
    if (c.before) {
        c.before(frame);
        if (HasFatalFailure())
            return;
    }
    frame.open(c.page);
    if (HasFatalFailure())
        return;
    int touched = 0;
    QStringList faults;
    for (const QString& t : chineseTexts(shownTexts(frame, &touched)))
        faults << "page 1: \"" + t + "\"";
    if (PageTurnAdv* pager = frame.pager()) {
        const int buttons = pager->findChildren<QRadioButton*>().size();
        for (int n = 2; n <= buttons; ++n) {
            QRadioButton* b = pager->findChild<QRadioButton*>(QString("radioButton_%1").arg(n));
            if (!b || !b->isVisible())
                continue;
            b->click();
            frame.form->freshme();
            frame.settle();
            for (const QString& t : chineseTexts(shownTexts(frame, &touched)))
                faults << QString("page %1: \"%2\"").arg(n).arg(t);
        }
    }
    saveArtifact(frame.window.get(), QString("english-%1.png").arg(c.name));
    EXPECT_TRUE(faults.isEmpty()) << faults.size() << " Chinese texts (" << touched << " entry fields touched):\n"
                                  << qPrintable(faults.join('\n'));
}

INSTANTIATE_TEST_SUITE_P(Frame, EnglishPage, ::testing::ValuesIn(allCases()),
    [](const ::testing::TestParamInfo<EnglishCase>& info) { return std::string(info.param.name); });

// The check itself: a Chinese caption is found, an allowed one is not.
TEST(EnglishTexts, FindsChineseButTheNamedCaptions)
{
    EXPECT_EQ(chineseTexts({ "Peak shifting", "kΩ", "°C", "Non-export：", "防逆流功能：", "光伏唤醒电压", "简体中文" }),
        QStringList({ "防逆流功能：" }));
    EXPECT_TRUE(hasChinese(QString::fromUtf8("modbus ID。")));
    EXPECT_FALSE(hasChinese(QString::fromUtf8("Working mode：")));
}

} // namespace
