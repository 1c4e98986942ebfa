#include "runtimetree.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>
#include <string>

// The English name files of the runtime template hold, row for row, the rows of their Chinese
// twins with each name in English: same sections, same numbers, no Chinese, no placeholder where
// the Chinese row has a name, and every name fits the table the panel copies it into.

namespace {

struct NameField {
    const char* section;   // a section whose name starts so
    QList<int> fields;     // the fields that hold texts to translate
    int width;             // bytes the panel keeps of the name (its table entry less the NUL)
};

struct NameFile {
    const char* chinese;
    const char* english;
    QList<NameField> sections;
};

const NameFile kFiles[] = {
    { "conf/map.pdu", "conf/map_english.pdu",
        { { "[STATUS_DATA]", { 2 }, 31 }, { "[ALARM_DATA]", { 2 }, 31 }, { "[ANALOG_DATA]", { 2 }, 31 },
            { "[CONF_DATA]", { 1 }, 47 } } },
    { "conf-sts/map.pdu", "conf-sts/map_english.pdu",
        { { "[STATUS_DATA]", { 2 }, 31 }, { "[ALARM_DATA]", { 2 }, 31 }, { "[ANALOG_DATA]", { 2 }, 31 },
            { "[CONF_DATA]", { 1 }, 47 } } },
    { "conf-dcdc/map.pdu", "conf-dcdc/map_english.pdu",
        { { "[STATUS_DATA_INFO]", { 1 }, 31 }, { "[ALARM_DATA_INFO]", { 1 }, 31 }, { "[ANALOG_DATA_INFO]", { 1 }, 31 },
            { "[CONF_DATA_INFO]", { 2 }, 47 } } },
    { "bin/pcs_interface.pdu", "bin/pcs_interface_english.pdu",
        { { "[UiDataInfo]", { 2 }, 39 }, { "[UiBmsInfo_", { 2 }, 39 }, { "[UiRzVersion_", { 3, 4 }, 99 } } },
};

bool hasChinese(const QString& text)
{
    for (uint c : text.toUcs4())
        if ((c >= 0x3000 && c <= 0x303F) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF)
            || (c >= 0xF900 && c <= 0xFAFF))
            return true;
    return false;
}

const NameField* fieldsOf(const NameFile& file, const QString& section)
{
    for (const NameField& f : file.sections)
        if (section.startsWith(QLatin1String(f.section)))
            return &f;
    return nullptr;
}

bool isDataRow(const QStringList& fields)
{
    static const QRegularExpression number("^-?\\d+$");
    return fields.size() > 1 && number.match(fields[0].trimmed()).hasMatch();
}

QString trailingNumber(const QString& text)
{
    static const QRegularExpression tail("(\\d+)$");
    const QRegularExpressionMatch m = tail.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

QStringList numbersIn(const QString& text)
{
    static const QRegularExpression digits("\\d+");
    QStringList out;
    for (auto it = digits.globalMatch(text); it.hasNext();)
        out << it.next().captured(0);
    return out;
}

// Why an English name does not stand for its Chinese one; empty when it does.
QString nameFault(const QString& chinese, const QString& english, int width)
{
    static const QRegularExpression placeholder("^(AC|DC|STS) (parameter|state) (\\d+)$");
    static const QRegularExpression generic(QString::fromUtf8("^(交流|直流|STS)(参数|状态)(\\d+)$"));
    if (english.trimmed().isEmpty())
        return "empty";
    if (hasChinese(english))
        return "Chinese";
    const QRegularExpressionMatch p = placeholder.match(english);
    if (p.hasMatch()) {
        const QRegularExpressionMatch g = generic.match(chinese);
        if (!g.hasMatch() || g.captured(3) != p.captured(3))
            return "placeholder";
    }
    // A numbered name keeps its number: "Alarm 3" is not "告警4".
    const QString number = trailingNumber(english);
    if (!number.isEmpty() && !numbersIn(chinese).contains(number))
        return "number " + number + " of another row";
    if (english.toUtf8().size() > width)
        return QString("longer than the %1 bytes kept").arg(width);
    return QString();
}

QStringList compare(const NameFile& file, const std::string& chineseText, const std::string& englishText)
{
    QStringList faults;
    const QStringList cn = QString::fromStdString(chineseText).split('\n');
    const QStringList en = QString::fromStdString(englishText).split('\n');
    if (cn.size() != en.size())
        faults << QString("%1 lines, the Chinese file %2").arg(en.size()).arg(cn.size());
    QString section;
    for (int i = 0; i < qMin(cn.size(), en.size()); ++i) {
        const QString where = QString("%1:%2: ").arg(file.english).arg(i + 1);
        if (cn[i].startsWith('['))
            section = cn[i].trimmed();
        const QStringList c = cn[i].split('\t');
        const QStringList e = en[i].split('\t');
        const NameField* names = fieldsOf(file, section);
        if (!names || !isDataRow(c)) {
            if (cn[i] != en[i])
                faults << where + "\"" + en[i] + "\" where the Chinese file has \"" + cn[i] + "\"";
            continue;
        }
        if (c.size() != e.size()) {
            faults << where + QString("%1 fields, the Chinese row %2").arg(e.size()).arg(c.size());
            continue;
        }
        for (int f = 0; f < c.size(); ++f) {
            if (names->fields.contains(f)) {
                const QString fault = nameFault(c[f], e[f], names->width);
                if (!fault.isEmpty())
                    faults << where + "\"" + e[f] + "\" for \"" + c[f] + "\": " + fault;
            } else if (c[f] != e[f]) {
                faults << where + "field " + QString::number(f + 1) + " \"" + e[f] + "\", the Chinese row has \"" + c[f]
                        + "\"";
            }
        }
    }
    return faults;
}

TEST(EnglishNames, EveryRowOfTheChineseTwinInEnglish)
{
    RuntimeTree tree(true);
    for (const NameFile& file : kFiles) {
        ASSERT_TRUE(tree.exists(file.chinese)) << file.chinese;
        ASSERT_TRUE(tree.exists(file.english)) << file.english;
        const QStringList faults = compare(file, tree.readFile(file.chinese), tree.readFile(file.english));
        EXPECT_TRUE(faults.isEmpty()) << faults.size() << " faults:\n" << qPrintable(faults.join('\n'));
    }
}

// The comparison itself on small twins: each kind of fault is found, a faithful twin passes.
TEST(EnglishNames, ComparisonFindsEachFault)
{
    const NameFile file = kFiles[0];
    const std::string chinese = "// AC/DC points\n[STATUS_NUM]\n2\n[STATUS_DATA]\n0\t0\t通讯状态\t0\n1\t1\t告警1\t8\n"
                                "[CONF_NUM]\n2\n[CONF_DATA]\n5\t交流参数5\n121\t最大放电电流\n";
    struct Case {
        const char* name;
        std::string english;
        const char* fault;   // a piece of the one fault expected; null: none
    };
    const Case cases[] = {
        { "faithful", "// AC/DC points\n[STATUS_NUM]\n2\n[STATUS_DATA]\n0\t0\tLink\t0\n1\t1\tAlarm 1\t8\n"
                      "[CONF_NUM]\n2\n[CONF_DATA]\n5\tAC parameter 5\n121\tMaximum discharge current\n",
            nullptr },
        { "placeholder", "// AC/DC points\n[STATUS_NUM]\n2\n[STATUS_DATA]\n0\t0\tLink\t0\n1\t1\tAlarm 1\t8\n"
                         "[CONF_NUM]\n2\n[CONF_DATA]\n5\tAC parameter 5\n121\tAC parameter 121\n",
            "placeholder" },
        { "untranslated", "// AC/DC points\n[STATUS_NUM]\n2\n[STATUS_DATA]\n0\t0\t通讯状态\t0\n1\t1\tAlarm 1\t8\n"
                          "[CONF_NUM]\n2\n[CONF_DATA]\n5\tAC parameter 5\n121\tMaximum discharge current\n",
            "Chinese" },
        { "other number", "// AC/DC points\n[STATUS_NUM]\n2\n[STATUS_DATA]\n0\t0\tLink\t0\n1\t1\tAlarm 2\t8\n"
                          "[CONF_NUM]\n2\n[CONF_DATA]\n5\tAC parameter 5\n121\tMaximum discharge current\n",
            "number 2" },
        { "other handler", "// AC/DC points\n[STATUS_NUM]\n2\n[STATUS_DATA]\n0\t0\tLink\t0\n1\t1\tAlarm 1\t9\n"
                           "[CONF_NUM]\n2\n[CONF_DATA]\n5\tAC parameter 5\n121\tMaximum discharge current\n",
            "field 4" },
        { "row missing", "// AC/DC points\n[STATUS_NUM]\n2\n[STATUS_DATA]\n0\t0\tLink\t0\n"
                         "[CONF_NUM]\n2\n[CONF_DATA]\n5\tAC parameter 5\n121\tMaximum discharge current\n",
            "lines" },
        { "too long", "// AC/DC points\n[STATUS_NUM]\n2\n[STATUS_DATA]\n0\t0\tLink with a name far too long to keep\t0\n"
                      "1\t1\tAlarm 1\t8\n[CONF_NUM]\n2\n[CONF_DATA]\n5\tAC parameter 5\n121\tMaximum discharge current\n",
            "31 bytes" },
    };
    for (const Case& c : cases) {
        const QStringList faults = compare(file, chinese, c.english);
        if (!c.fault) {
            EXPECT_TRUE(faults.isEmpty()) << c.name << ": " << qPrintable(faults.join('\n'));
            continue;
        }
        ASSERT_FALSE(faults.isEmpty()) << c.name;
        EXPECT_TRUE(faults.join('\n').contains(c.fault)) << c.name << ": " << qPrintable(faults.join('\n'));
    }
}

} // namespace
