#include "modbusconnection.h"

#include "configfile.h"
#include "esf/thread.h"
#include "esf/time.h"
#include "modbusframe.h"
#include "serial.h"
#include "typedvalue.h"

#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

namespace cp {

std::atomic<int> ModbusConnection::interruptEventFlag(0);

namespace {

const int kWord = esf::ConfigFile::LINE_SIZE;   // a word of a row is at most 511 characters
const int kExprBytes = (int)sizeof(((ModbusConnection::DataSignal*)nullptr)->expressions);

bool longer(const char* text, int limit)
{
    return strlen(text) > (size_t)limit;
}

// Cuts a "/"-separated list of decimal numbers; the count, or -1 when it holds more than max.
int splitNumbers(const char* text, int* out, int max)
{
    int n = 0;
    const char* p = text;
    for (;;) {
        if (n >= max)
            return -1;
        const char* slash = strchr(p, '/');
        std::string piece = slash ? std::string(p, slash) : std::string(p);
        out[n++] = (int)strtol(piece.c_str(), nullptr, 10);
        if (!slash)
            return n;
        p = slash + 1;
    }
}

// strchr without the call: it runs for every character of every expression of a table.
bool oneOf(char c, const char* set)
{
    for (; *set; ++set)
        if (*set == c)
            return true;
    return false;
}

std::vector<std::string> cut(const std::string& text, const char* separators)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (oneOf(c, separators))
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// A parsed list's copy. An alternative ends at its first condition without an operator to the
// next (the parse leaves one last in every alternative); nothing past it is ever read.
void copyExpressions(ModbusConnection::Expression* const* from, ModbusConnection::Expression** to)
{
    for (int i = 0; i < ModbusConnection::MAX_EXPRESSIONS; ++i) {
        to[i] = nullptr;
        if (!from[i])
            continue;
        int n = 1;
        while (from[i][n - 1].op != -1)
            ++n;
        to[i] = new ModbusConnection::Expression[n];
        memcpy(to[i], from[i], n * sizeof *to[i]);
    }
}

bool truncToInt(double v, int* out)
{
    if (!std::isfinite(v) || v <= (double)INT_MIN - 1.0 || v >= (double)INT_MAX + 1.0)
        return false;
    *out = (int)v;
    return true;
}

// Scans "(anything)D<number>=<value>(anything up to ')')".
bool scanCondition(const std::string& cond, std::string* number, std::string* value)
{
    size_t d = cond.find('D');
    if (d == std::string::npos)
        return false;
    size_t eq = cond.find('=', d + 1);
    if (eq == std::string::npos || eq == d + 1)
        return false;
    size_t close = cond.find(')', eq + 1);
    *number = cond.substr(d + 1, eq - d - 1);
    *value = cond.substr(eq + 1, close == std::string::npos ? std::string::npos : close - eq - 1);
    return !value->empty();
}

}

ModbusConnection::ModbusConnection(const char* path, Serial* serial, int node, bool trace)
    : m_lastReplyLength(0), m_trace(trace), m_state(0), m_serial(serial), m_command(new ModbusFrame(true)),
      m_lastResult(false), m_statusSignal(-1), m_summaryIndex(-1), m_node(node), m_crcOrder(1),
      m_allFresh(false), m_lossStart(10.0), m_blockCount(0), m_ctrlInfo(0), m_settingInfo(0)
{
    memset(m_fresh, 0, sizeof m_fresh);
    memset(m_lastReply, 0, sizeof m_lastReply);
    memset(m_path, 0, sizeof m_path);
    if (path)
        strncpy(m_path, path, sizeof m_path - 1);
    memset(m_name, 0, sizeof m_name);
    strcpy(m_name, "Modbus Protocol");
    memset(m_valid, 0, sizeof m_valid);
    memset(m_blockFun, 0, sizeof m_blockFun);
    memset(m_blockStart, 0, sizeof m_blockStart);
    memset(m_blockCountRegs, 0, sizeof m_blockCountRegs);
    interruptEventFlag = 0;
}

ModbusConnection::~ModbusConnection()
{
    close();
}

void ModbusConnection::freeExpressions(Expression** exprs, int count)
{
    for (int i = 0; i < count; ++i) {
        delete[] exprs[i];
        exprs[i] = nullptr;
    }
}

int ModbusConnection::close()
{
    for (auto& d : m_data) {
        freeExpressions(d.second->expressions, MAX_EXPRESSIONS);
        delete d.second;
    }
    m_data.clear();
    for (auto& e : m_events) {
        freeExpressions(e.second->expressions, MAX_EXPRESSIONS);
        delete e.second;
    }
    m_events.clear();
    for (auto& c : m_ctrl)
        delete c.second;
    m_ctrl.clear();
    for (auto& s : m_settings)
        delete s.second;
    m_settings.clear();
    for (auto& f : m_frames)
        delete f.second;
    m_frames.clear();
    delete m_command;
    m_command = nullptr;
    m_values.clear();
    m_wave.clear();
    m_waveSize.clear();
    memset(m_path, 0, sizeof m_path);
    memset(m_name, 0, sizeof m_name);
    m_serial = nullptr;
    m_state = 0;
    m_lastResult = false;
    m_node = 0;
    m_statusSignal = -1;
    m_summaryIndex = -1;
    m_crcOrder = 1;
    m_blockCount = 0;
    return 0;
}

// ---------------------------------------------------------------- signal tables

int ModbusConnection::fail(const char* why, int detail)
{
    printf("ModbusConnection::open %s: %s (%d)\n", m_path, why, detail);
    return 0;
}

namespace {
// A signal under its id, with one lookup; the one it replaces is freed.
template <typename Signal>
void putSignal(std::map<int, Signal*>& signals, int id, Signal* s)
{
    auto it = signals.emplace(id, s);
    if (!it.second) {
        Signal* old = it.first->second;
        ModbusConnection::freeExpressions(old->expressions, ModbusConnection::MAX_EXPRESSIONS);
        delete old;
        it.first->second = s;
    }
}
}

void ModbusConnection::putData(int id, DataSignal* s)
{
    putSignal(m_data, id, s);
    if (s->dataIndex >= 0)
        m_values[s->dataIndex] = 0.0f;
}

void ModbusConnection::putEvent(int id, EventSignal* e)
{
    putSignal(m_events, id, e);
}

int ModbusConnection::open()
{
    if (m_state != 0 || !m_path[0])
        return 0;
    esf::ConfigFile cf;
    if (!cf.open(m_path))
        return fail("cannot open the signal tables");
    int ok = load(cf);
    cf.close();
    if (!ok)
        return 0;
    m_state = 1;
    return 1;
}

int ModbusConnection::load(esf::ConfigFile& cf)
{
    int dataRows[MAX_TEMPLATES][4];
    int eventRows[MAX_TEMPLATES][5];
    memset(dataRows, 0xFF, sizeof dataRows);
    memset(eventRows, 0xFF, sizeof eventRows);

    int n = 0;
    if (!cf.find("[DATA_EXPAND_NUM]") || !cf.read("%d", &n))
        return fail("[DATA_EXPAND_NUM] missing or unreadable");
    if (n < 0 || n > MAX_TEMPLATES)
        return fail("data template rows must number 0 to 8", n);
    if (!cf.find("[DATA_EXPAND]"))
        return fail("[DATA_EXPAND] missing");
    for (int i = 0; i < n; ++i) {
        int* r = dataRows[i];
        if (!cf.read("%d%d%d%d", &r[0], &r[1], &r[2], &r[3]))
            return fail("data template row unreadable", i);
    }
    if (!loadBlocks(cf))
        return 0;
    std::map<int, std::string> texts;
    if (!loadDataSignals(cf, texts) || !expandData(dataRows, texts))
        return 0;
    m_statusSignal = 0;
    m_summaryIndex = 1;
    if (!loadCommands(cf) || !loadSettings(cf))
        return 0;

    if (!cf.find("[EVENT_EXPAND_NUM]") || !cf.read("%d", &n))
        return fail("[EVENT_EXPAND_NUM] missing or unreadable");
    if (n < 0 || n > MAX_TEMPLATES)
        return fail("event template rows must number 0 to 8", n);
    if (!cf.find("[EVENT_EXPAND]"))
        return fail("[EVENT_EXPAND] missing");
    for (int i = 0; i < n; ++i) {
        int* r = eventRows[i];
        if (!cf.read("%d%d%d%d%d", &r[0], &r[1], &r[2], &r[3], &r[4]))
            return fail("event template row unreadable", i);
    }
    return loadEvents(cf, eventRows);
}

int ModbusConnection::loadBlocks(esf::ConfigFile& cf)
{
    char funs[kWord], starts[kWord], counts[kWord];
    int order = 0;
    if (!cf.find("[DATA_SIGNAL_INFO]") || !cf.read("%s%s%s%d", funs, starts, counts, &order))
        return fail("[DATA_SIGNAL_INFO] missing or unreadable");
    if (longer(funs, LIST_TEXT) || longer(starts, LIST_TEXT) || longer(counts, LIST_TEXT))
        return fail("a poll list is longer than 127 characters");
    if (!funs[0] || !starts[0] || !counts[0])
        return fail("a poll list is empty");
    int nf = splitNumbers(funs, m_blockFun, MAX_BLOCKS);
    int ns = splitNumbers(starts, m_blockStart, MAX_BLOCKS);
    int nc = splitNumbers(counts, m_blockCountRegs, MAX_BLOCKS);
    if (nf < 0 || ns < 0 || nc < 0)
        return fail("more than 31 poll blocks");
    if (nf != ns || nf != nc)
        return fail("poll lists of unequal length", nf);
    for (int i = 0; i < nf; ++i) {
        int fun = m_blockFun[i];
        int count = m_blockCountRegs[i];
        // A poll block only reads; its reply must fit the one-byte byte count.
        if (fun < 1 || fun > 4)
            return fail("a poll block must read (function code 1 to 4)", i);
        if (m_blockStart[i] < 0 || m_blockStart[i] > 0xFFFF)
            return fail("poll block start address out of range", i);
        // Wide enough for any count the table gives: a count near the int range must not wrap
        // round to a small reply.
        const long long bytes = fun <= 2 ? (count + 7LL) / 8 : 2LL * count;
        if (count < 1 || bytes > 255)
            return fail("poll block count out of range", i);
    }
    m_blockCount = nf;
    m_crcOrder = order ? 1 : 0;
    for (int i = 0; i < nf; ++i) {
        if (!m_frames.count(i)) {
            m_frames[i] = new ModbusFrame(true);
            m_frames[i]->setTrace(m_trace);
        }
    }
    return 1;
}

int ModbusConnection::loadDataSignals(esf::ConfigFile& cf, std::map<int, std::string>& texts)
{
    int n = 0;
    if (!cf.find("[DATA_SIGNAL_NUM]") || !cf.read("%d", &n))
        return fail("[DATA_SIGNAL_NUM] missing or unreadable");
    if (n < 0)
        return fail("negative number of data signals", n);
    if (!cf.find("[DATA_SIGNAL]"))
        return fail("[DATA_SIGNAL] missing");
    for (int i = 0; i < n; ++i) {
        int id = 0, index = 0, block = 0, offset = 0, type = 0, div = 0;
        char name[kWord], expr[kWord];
        if (!cf.read("%d%d%s%/d/d/d/d%s", &id, &index, name, &block, &offset, &type, &div, expr))
            return fail("data signal row unreadable", i);
        if (longer(name, NAME_TEXT) || longer(expr, NAME_TEXT))
            return fail("data signal name or expression longer than 255 characters", id);
        if (block >= m_blockCount)
            return fail("data signal names a poll block that does not exist", id);
        DataSignal* s = new DataSignal();
        s->dataIndex = index;
        s->block = block;
        s->offset = offset;
        s->type = type;
        if (type == 1 || type == 7) {
            s->bit = div;
            s->divisor = 1;
        } else {
            s->bit = -1;
            s->divisor = div == 0 ? 1 : div;
        }
        texts[id] = expr;
        putData(id, s);
        if (parseExpression(expr, s->expressions, kExprBytes, id, 16) == -2)
            return fail("data signal expression has too many alternatives or conditions", id);
    }
    return 1;
}

int ModbusConnection::expandData(const int rows[][4], std::map<int, std::string>& texts)
{
    for (int r = 0; r < MAX_TEMPLATES; ++r) {
        const int* row = rows[r];
        if (row[0] == -1 || row[1] == -1 || row[2] == -1 || row[3] == -1 || row[2] <= 0)
            continue;
        int first = row[0], last = row[1], copies = row[2], mode = row[3];
        if (mode < 0 || mode > 2)
            return fail("data template mode must be 0, 1 or 2", mode);
        if (last < first)
            return fail("data template range runs backwards", first);
        long long span = (long long)last - first + 1;
        // An id from END_ID on ends an expression's alternatives, so no expression could name
        // the copy; and a damaged count must not make millions of signals.
        if ((long long)last + span * copies >= END_ID)
            return fail("data template makes ids out of range", first);
        for (int k = 1; k <= copies; ++k) {
            for (int t = first; t <= last; ++t) {
                auto it = m_data.find(t);
                if (it == m_data.end())
                    return fail("data template names a signal without a row", t);
                const DataSignal& src = *it->second;
                DataSignal* s = new DataSignal();
                *s = src;
                memset(s->expressions, 0, sizeof s->expressions);
                s->value = 0.0f;
                auto known = texts.find(t);
                std::string text = known != texts.end() ? known->second : std::string();
                int shift = (int)(k * span);
                // Copies of an unpublished or derived signal stay unpublished or derived.
                if (mode == 0 || mode == 1) {
                    if (src.dataIndex >= 0)
                        s->dataIndex = src.dataIndex + shift;
                    if (mode == 0 && src.block >= 0)
                        s->block = src.block + k;
                    if (mode == 1)
                        s->offset = src.offset + 2 * k;
                } else {
                    if (src.dataIndex >= 0)
                        s->dataIndex = src.dataIndex + 4 * k;
                    if (src.offset != -1)
                        s->offset = src.offset + 2 * k;
                    if (text != "-1") {
                        std::string shifted;
                        expandExpression(&text[0], shifted, 12 * k);
                        text = shifted;
                    }
                }
                int id = (int)(t + shift);
                if (s->block >= m_blockCount) {
                    delete s;
                    return fail("data template copy names a poll block that does not exist", id);
                }
                texts[id] = text;
                putData(id, s);
                // Modes 0 and 1 keep the text, so every copy of t parses as the first did: a
                // table of thousands of copies is read in a fraction of the time.
                if (mode != 2 && k > 1) {
                    copyExpressions(m_data.find((int)(t + span))->second->expressions, s->expressions);
                } else if (!text.empty() && text.size() <= (size_t)NAME_TEXT) {
                    std::vector<char> buf(text.begin(), text.end());
                    buf.push_back('\0');
                    if (parseExpression(buf.data(), s->expressions, kExprBytes, t, 16) == -2)
                        return fail("data template expression has too many alternatives or conditions", id);
                } else if (text.size() > (size_t)NAME_TEXT) {
                    return fail("data template expression grows past 255 characters", id);
                }
            }
        }
    }
    return 1;
}

int ModbusConnection::loadCommands(esf::ConfigFile& cf)
{
    int n = 0;
    if (!cf.find("[CTRL_SIGNAL_INFO]") || !cf.read("%x", &m_ctrlInfo))
        return fail("[CTRL_SIGNAL_INFO] missing or unreadable");
    if (!cf.find("[CTRL_SIGNAL_NUM]") || !cf.read("%d", &n))
        return fail("[CTRL_SIGNAL_NUM] missing or unreadable");
    if (n < 0)
        return fail("negative number of commands", n);
    if (!cf.find("[CTRL_SIGNAL]"))
        return fail("[CTRL_SIGNAL] missing");
    for (int i = 0; i < n; ++i) {
        int row = 0, id = 0, fun = 0, address = 0, value = 0;
        char name[kWord];
        if (!cf.read("%d%d%s%x%x%x", &row, &id, name, &fun, &address, &value))
            return fail("command row unreadable", i);
        if (longer(name, NAME_TEXT))
            return fail("command name longer than 255 characters", id);
        CtrlSignal* c = new CtrlSignal{ fun, address, value };
        auto it = m_ctrl.find(id);
        if (it != m_ctrl.end())
            delete it->second;
        m_ctrl[id] = c;
    }
    return 1;
}

int ModbusConnection::loadSettings(esf::ConfigFile& cf)
{
    int n = 0;
    if (!cf.find("[SETTING_SIGNAL_INFO]") || !cf.read("%x", &m_settingInfo))
        return fail("[SETTING_SIGNAL_INFO] missing or unreadable");
    if (!cf.find("[SETTING_SIGNAL_NUM]") || !cf.read("%d", &n))
        return fail("[SETTING_SIGNAL_NUM] missing or unreadable");
    if (n < 0)
        return fail("negative number of settings", n);
    if (!cf.find("[SETTING_SIGNAL]"))
        return fail("[SETTING_SIGNAL] missing");
    for (int i = 0; i < n; ++i) {
        int row = 0, id = 0, fun = 0, address = 0, count = 0, type = 0, scale = 0;
        char name[kWord], parts[kWord];
        if (!cf.read("%d%d%s%x%x%d%s%d%d", &row, &id, name, &fun, &address, &count, parts, &type, &scale))
            return fail("setting row unreadable", i);
        if (longer(name, NAME_TEXT))
            return fail("setting name longer than 255 characters", id);
        if (longer(parts, LIST_TEXT) || !parts[0])
            return fail("setting part list empty or longer than 127 characters", id);
        SettingSignal* s = new SettingSignal();
        s->fun = fun;
        s->address = address;
        s->count = count;
        s->type = type;
        s->scale = scale;
        if (strcmp(parts, "-1") == 0) {
            s->partCount = 0;
        } else {
            s->partCount = splitNumbers(parts, s->parts, MAX_PARTS);
            if (s->partCount < 0) {
                delete s;
                return fail("setting has more than 32 parts", id);
            }
        }
        auto it = m_settings.find(id);
        if (it != m_settings.end())
            delete it->second;
        m_settings[id] = s;
    }
    return 1;
}

int ModbusConnection::loadEvents(esf::ConfigFile& cf, const int rows[][5])
{
    std::map<int, std::string> texts;
    int n = 0;
    if (!cf.find("[EVENT_SIGNAL_NUM]") || !cf.read("%d", &n))
        return fail("[EVENT_SIGNAL_NUM] missing or unreadable");
    if (n < 0)
        return fail("negative number of events", n);
    if (!cf.find("[EVENT_SIGNAL]"))
        return fail("[EVENT_SIGNAL] missing");
    for (int i = 0; i < n; ++i) {
        int signal = 0, id = 0, level = 0;
        char name[kWord], expr[kWord];
        if (!cf.read("%d%d%s%s%d", &signal, &id, name, expr, &level))
            return fail("event row unreadable", i);
        if (longer(name, NAME_TEXT) || longer(expr, NAME_TEXT))
            return fail("event name or expression longer than 255 characters", id);
        EventSignal* e = new EventSignal();
        e->level = level;
        e->active = level == 1 ? 1 : 0;
        texts[id] = expr;
        putEvent(id, e);
        if (parseExpression(expr, e->expressions, kExprBytes, signal, 10) == -2)
            return fail("event expression has too many alternatives or conditions", id);
    }

    for (int r = 0; r < MAX_TEMPLATES; ++r) {
        const int* row = rows[r];
        if (row[0] == -1 || row[1] == -1 || row[2] == -1 || row[3] == -1 || row[4] == -1 || row[2] <= 0)
            continue;
        int first = row[0], last = row[1], copies = row[2], mode = row[3], step = row[4];
        if (mode != 0)
            return fail("event template mode must be 0", mode);
        if (last < first)
            return fail("event template range runs backwards", first);
        long long span = (long long)last - first + 1;
        if ((long long)last + span * copies >= END_ID || llabs((long long)step * copies) > END_ID)
            return fail("event template makes ids out of range", first);
        for (int k = 1; k <= copies; ++k) {
            for (int t = first; t <= last; ++t) {
                auto it = m_events.find(t);
                if (it == m_events.end())
                    return fail("event template names an event without a row", t);
                EventSignal* e = new EventSignal();
                e->level = it->second->level;
                e->active = it->second->active;
                int id = (int)(t + k * span);
                auto known = texts.find(t);
                std::string text = known != texts.end() ? known->second : std::string();
                texts[id] = text;
                putEvent(id, e);
                if (text.empty())
                    continue;
                std::vector<char> buf(text.begin(), text.end());
                buf.push_back('\0');
                if (parseExpression(buf.data(), e->expressions, kExprBytes, t, 10) == -2)
                    return fail("event template expression has too many alternatives or conditions", id);
                // Only a real signal id moves; the end and no-expression markers stay.
                Expression* alt = e->expressions[0];
                if (alt && alt[0].id >= 0 && alt[0].id < END_ID)
                    alt[0].id += step * k;
            }
        }
    }
    return 1;
}

// ---------------------------------------------------------------- expressions

int ModbusConnection::getSymbol(char* text, char* separators, int n)
{
    if (!text || !separators || n < 0)
        return -1;
    int seen = 0;
    for (const char* p = text; *p; ++p) {
        if (oneOf(*p, separators)) {
            if (seen == n)
                return (unsigned char)*p;
            ++seen;
        }
    }
    return -1;
}

void ModbusConnection::expandExpression(char* text, std::string& out, int shift)
{
    if (!text)
        return;
    for (const char* p = text; *p;) {
        if (*p == 'D') {
            const char* eq = strchr(p + 1, '=');
            const char* q = p + 1;
            while (q < eq && *q >= '0' && *q <= '9')
                ++q;
            if (eq && q == eq && eq > p + 1) {
                out += 'D';
                out += std::to_string(atoi(std::string(p + 1, eq).c_str()) + shift);
                p = eq;
                continue;
            }
        }
        out += *p++;
    }
}

int ModbusConnection::parseExpression(char* text, Expression** out, int outBytes, int defaultSignal, int base)
{
    if (!text || !*text || !out || outBytes < (int)sizeof(Expression*) || defaultSignal < 0 || base < 1 || base > 36)
        return -1;
    // Slots are counted in elements: a pointer is 8 bytes here.
    const int slots = outBytes / (int)sizeof(Expression*);
    for (int i = 0; i < slots; ++i)
        out[i] = nullptr;
    // Most signals of a table have no expression: what the parse below makes of "-1".
    if (strcmp(text, "-1") == 0) {
        out[0] = new Expression[1]{ { NONE_ID, -1, 0 } };
        return 0;
    }
    char sep[] = "&|";
    std::vector<std::string> alts = cut(text, "/");
    int slot = 0;
    for (const std::string& alt : alts) {
        if (slot >= slots) {
            freeExpressions(out, slots);
            return -2;
        }
        if (alt.empty() || alt == "*") {
            out[slot] = new Expression[1]{ { END_ID, -1, 0 } };
            return 0;
        }
        std::vector<std::string> conds = cut(alt, sep);
        if (conds.size() > (size_t)MAX_CONDITIONS) {
            freeExpressions(out, slots);
            return -2;
        }
        std::vector<char> uncut(alt.begin(), alt.end());
        uncut.push_back('\0');
        Expression* items = new Expression[conds.size()];
        for (size_t j = 0; j < conds.size(); ++j)
            items[j] = Expression{ -1, -1, 0 };
        out[slot++] = items;
        for (size_t j = 0; j < conds.size(); ++j) {
            const std::string& cond = conds[j];
            int op = getSymbol(uncut.data(), sep, (int)j);
            if (cond.find('=') != std::string::npos) {
                std::string number, value;
                if (!scanCondition(cond, &number, &value))
                    break;   // id stays -1: the alternative ends here
                items[j] = Expression{ (int)strtol(number.c_str(), nullptr, 10), op,
                    (int)strtol(value.c_str(), nullptr, base) };
            } else if (cond == "-1") {
                items[j].id = NONE_ID;
                return 0;
            } else {
                items[j] = Expression{ defaultSignal, op, (int)strtol(cond.c_str(), nullptr, base) };
            }
        }
    }
    return 0;
}

int ModbusConnection::evalExpression(Expression** exprs, int bytes, bool fromMap)
{
    if (!exprs || bytes < (int)sizeof(Expression*))
        return -1;
    const int slots = bytes / (int)sizeof(Expression*);
    for (int i = 0; i < slots; ++i) {
        const Expression* alt = exprs[i];
        if (!alt)
            return -1;
        if (alt[0].id <= NONE_ID)
            return NONE_ID;
        if (alt[0].id < 0)
            continue;
        if (alt[0].id >= END_ID)
            return i;
        for (int j = 0;; ++j) {
            const Expression& item = alt[j];
            auto s = m_data.find(item.id);
            if (s == m_data.end())
                break;
            double v = s->second->value;
            if (fromMap && s->second->dataIndex >= 0)
                v = m_values[s->second->dataIndex];
            int iv = 0;
            bool match = truncToInt(v, &iv) && item.value == iv;
            if (item.op == -1) {
                if (match)
                    return i;
                break;
            }
            if (item.op == '&') {
                if (!match)
                    break;
            } else if (item.op == '|') {
                if (match)
                    return i;
            } else {
                break;
            }
            const Expression& next = alt[j + 1];
            if (next.id <= NONE_ID)
                return NONE_ID;
            if (next.id < 0)
                break;
            if (next.id >= END_ID)
                return i;
        }
    }
    return -1;
}

// ---------------------------------------------------------------- polling

int ModbusConnection::process(bool)
{
    memset(m_fresh, 0, sizeof m_fresh);
    m_allFresh = false;
    if (m_state == 0)
        return 1;
    if (m_state == 1)
        m_state = 2;
    getInterruptEvent();
    unsigned char accepted[32];
    memset(accepted, 0, sizeof accepted);
    for (int i = 0; i < m_blockCount; ++i) {
        if (interruptEventFlag.load())
            return 0;
        ModbusFrame* f = m_frames[i];
        f->clearBuffer();
        f->setCrc(m_crcOrder);
        f->setNode(m_node);
        f->setFun(m_blockFun[i], true);
        f->setId(m_blockStart[i]);
        f->setNr(m_blockCountRegs[i]);
        bool interrupted = false;
        if (send(f, &interrupted)) {
            m_valid[i] = 1;
            accepted[i] = 1;
            continue;
        }
        if (interrupted)
            return 0;
        m_valid[i] = 0;
        break;
    }
    memcpy(m_fresh, accepted, sizeof m_fresh);
    m_allFresh = true;
    for (int i = 0; i < m_blockCount; ++i)
        m_allFresh = m_allFresh && accepted[i];

    int n = 0;
    for (auto& d : m_data) {
        DataSignal* s = d.second;
        if (s->block >= 0 && s->block < m_blockCount && m_valid[s->block]) {
            float v = m_frames[s->block]->getInfoData(s->offset, s->type, s->bit);
            if (v >= -9999.0f)
                v /= s->divisor;
            s->value = v;
        }
        if (s->dataIndex >= 0) {
            int r = evalExpression(s->expressions, kExprBytes, false);
            if (r == NONE_ID)
                m_values[s->dataIndex] = s->value;
            else if (r >= 0)
                m_values[s->dataIndex] = (float)r;
            if (s->block < 0)
                s->value = m_values[s->dataIndex];
        }
        if (++n % 200 == 0)
            esf::Thread::sleep(50);
    }
    eventProcess();
    return 1;
}

void ModbusConnection::eventProcess()
{
    int n = 0;
    int faults = 0;
    int alarms = 0;
    for (auto& ev : m_events) {
        EventSignal* e = ev.second;
        if (++n % 200 == 0)
            esf::Thread::sleep(50);
        if (ev.first == 1 || e->level < 2) {
            e->active = evalExpression(e->expressions, kExprBytes, true) == 0 ? 1 : 0;
        } else if (m_lastResult) {
            int cond = evalExpression(e->expressions, kExprBytes, true) == 0 ? 1 : 0;
            if (cond == e->active) {
                e->pending = 0;
                e->firstSeen = 0;
            } else if (!cond) {
                e->active = 0;
                e->pending = 0;
            } else {
                double now = esf::Time::getMonotonicMillis();
                if (e->pending == 0)
                    e->firstSeen = now;
                ++e->pending;
                if (e->pending >= 2 && now - e->firstSeen >= 5000.0) {
                    e->active = 1;
                    e->pending = 0;
                }
            }
        }
        if (e->active && e->level >= 3)
            ++faults;
        else if (e->active && e->level == 2)
            ++alarms;
    }
    if (m_summaryIndex >= 0)
        m_values[m_summaryIndex] = faults ? 2.0f : (alarms ? 1.0f : 0.0f);
}

void ModbusConnection::trace(const char* head, const unsigned char* bytes, int len)
{
    printf("%s", head);
    for (int i = 0; i < len; ++i)
        printf("%02X ", bytes[i]);
    printf("\n");
}

void ModbusConnection::updateLinkStatus(bool ok)
{
    auto it = m_data.find(m_statusSignal);
    if (m_statusSignal < 0 || it == m_data.end())
        return;
    DataSignal* s = it->second;
    if (ok) {
        s->value = 0.0f;
        m_lossStart = 0.0;
        return;
    }
    if (s->value != 0.0f)
        return;
    double now = esf::Time::getMonotonicMillis();
    if (m_lossStart < 1.0)
        m_lossStart = now;
    if (now - m_lossStart >= 5000.0)
        s->value = 1.0f;
}

bool ModbusConnection::send(ModbusFrame* frame, bool* interrupted)
{
    if (interrupted)
        *interrupted = false;
    if (m_state == 0 || !frame || !m_serial)
        return false;
    const unsigned char* req = frame->getBuffer();
    const int txLen = frame->getLength();
    if (!req || txLen < 1) {
        printf("ModbusConnection::send node %d: request cannot be built\n", m_node);
        return false;
    }
    unsigned char tx[4096];
    unsigned char rx[4096];
    memcpy(tx, req, txLen);
    getInterruptEvent();

    // Nodes that stopped answering: 0 reachable, 100 lost. Shared by every connection.
    static std::map<int, int> heartbeat;
    bool result = false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!m_serial->open())
            continue;
        // A write is waiting: give the line up without counting it against the node.
        if (interruptEventFlag.load()) {
            if (interrupted)
                *interrupted = true;
            return false;
        }
        if (m_serial->send((const char*)tx, txLen) < txLen) {
            m_serial->close();
            continue;
        }
        if (frame->getNode() == 255) {
            if (m_trace)
                trace("Success:Tx: ", tx, txLen);
            // Nobody answers a broadcast: it is a success of the sender, not news of the node.
            m_lastResult = true;
            return true;
        }
        int got = m_serial->recv((char*)rx, sizeof rx);
        if (got < 0) {
            if (m_trace) {
                printf("Error----Tx len=%d: ", txLen);
                trace("", tx, txLen);
            }
            m_serial->close();
            continue;
        }
        if (frame->parse(rx, got) == 0) {
            m_lastReplyLength = frame->getLength();
            memcpy(m_lastReply, frame->rawBuffer(), m_lastReplyLength);
            heartbeat[m_node] = 0;
            if (m_trace) {
                trace("Success:Tx: ", tx, txLen);
                trace("Success:Rx: ", frame->rawBuffer(), m_lastReplyLength);
            }
            result = true;
            break;
        }
        if (m_trace) {
            printf("Error----Tx len=%d: ", txLen);
            trace("", tx, txLen);
            printf("Error----Rx len=%d : ", got);
            trace("", rx, got);
        }
        if (heartbeat[m_node] != 0) {
            if (m_trace)
                printf("Error----Maybe lost mode %d\n", m_node);
            break;
        }
        if (attempt == 2)
            heartbeat[m_node] = 100;
        m_serial->close();
    }
    m_lastResult = result;
    updateLinkStatus(result);
    return result;
}

// ---------------------------------------------------------------- commands and settings

int ModbusConnection::control(int id, float value, char* data, int len, bool broadcast)
{
    if (id < 0 || !m_command)
        return 0;
    auto c = m_ctrl.find(id);
    auto s = m_settings.find(id);
    ModbusFrame* f = m_command;
    const int node = broadcast ? 255 : m_node;

    if (data) {
        if (s == m_settings.end())
            return 0;
        // The byte count travels in one byte.
        if (len < 1 || len > 255) {
            printf("ModbusConnection::control %d: raw block of %d bytes refused\n", id, len);
            return 0;
        }
        const SettingSignal& set = *s->second;
        f->clearBuffer();
        f->setCrc(m_crcOrder);
        f->setNode(node);
        f->setFun(set.fun, true);
        f->setId(set.address);
        f->setNr(len / 2);
        f->setBytes(len);
        f->addInfoData((unsigned char*)data, len);
        return send(f) ? 1 : 0;
    }

    if (c != m_ctrl.end()) {
        const CtrlSignal& cmd = *c->second;
        if (cmd.address == 0xFFFF)
            return 1;
        f->clearBuffer();
        f->setCrc(m_crcOrder);
        f->setNode(node);
        f->setFun(cmd.fun, true);
        f->setId(cmd.address);
        f->setValue(cmd.value);
        // A read command (a fault record) asks for as many registers as its word says.
        f->setNr(cmd.value);
        f->setBytes(0);
        return send(f) ? 1 : 0;
    }

    if (s == m_settings.end())
        return 0;
    const SettingSignal& set = *s->second;
    if (set.address == 0xFFFF)
        return 1;
    // The value goes out as typed: 2.3 with scale 10 is 23, not the 22 of its binary value.
    const double scaled = TypedValue::scaled(value, set.scale);
    int64_t whole = 0;
    bool singleWrite = set.fun == 5 || set.fun == 6;
    if (!TypedValue::scaledWord(value, set.scale, &whole) || whole < INT_MIN || whole > INT_MAX
        || (singleWrite && (whole < -32768 || whole > 0xFFFF))) {
        printf("ModbusConnection::control %d: value %g does not fit the register\n", id, scaled);
        return 0;
    }
    const int word = int(whole);
    // Integer registers take the truncated word itself, so the body agrees with it.
    const float item = set.type == 3 ? float(scaled) : float(word);
    f->clearBuffer();
    f->setCrc(m_crcOrder);
    f->setNode(node);
    f->setFun(set.fun, true);
    f->setId(set.address);
    f->setNr(set.count);
    f->setBytes(2 * set.count);
    f->setValue(word);
    int bad = 0;
    if (set.partCount == 0) {
        bad = f->addInfoData(item, set.type);
    } else {
        for (int i = 0; i < set.partCount && !bad; ++i) {
            int part = set.parts[i];
            float v = part == 0 ? item : (part == -1 ? 0.0f : m_values[part]);
            bad = f->addInfoData(v, set.type);
        }
    }
    if (bad) {
        printf("ModbusConnection::control %d: value %g cannot be encoded as type %d\n", id, scaled, set.type);
        return 0;
    }
    return send(f) ? 1 : 0;
}

// ---------------------------------------------------------------- views

bool ModbusConnection::isFresh(int dataIndex) const
{
    if (dataIndex < 0)
        return false;
    bool found = false;
    for (auto& d : m_data) {
        const DataSignal* s = d.second;
        if (s->dataIndex != dataIndex)
            continue;
        // Every signal that publishes the index must have been decoded afresh.
        if (s->block < 0) {
            if (!m_allFresh)
                return false;
        } else if (s->block >= m_blockCount || !m_fresh[s->block]) {
            return false;
        }
        found = true;
    }
    return found;
}

int ModbusConnection::getData(std::map<int, float>& out)
{
    out = m_values;
    return (int)out.size();
}

int ModbusConnection::getEvent(std::map<int, int>& out)
{
    for (auto& e : m_events)
        out[e.first] = e.second->active;
    return (int)m_events.size();
}

int ModbusConnection::getEventLevel(int id)
{
    if (id < 0)
        return -1;
    auto it = m_events.find(id);
    return it == m_events.end() ? -1 : it->second->level;
}

int ModbusConnection::setEvent(std::map<int, int>& in)
{
    for (auto& kv : in) {
        auto it = m_events.find(kv.first);
        if (kv.second != 1 || it == m_events.end())
            continue;
        it->second->active = 1;
        it->second->pending = 0;
        it->second->firstSeen = 0;
        if (kv.first == 1) {
            auto s = m_data.find(m_statusSignal);
            if (m_statusSignal >= 0 && s != m_data.end())
                s->second->value = 1.0f;
        }
    }
    return 0;
}

int ModbusConnection::getWave(std::map<int, char*>& out)
{
    out = m_wave;
    return 0;
}

int ModbusConnection::getWaveSize(std::map<int, int>& out)
{
    out = m_waveSize;
    return 0;
}

int ModbusConnection::getRxbuff(unsigned char* out)
{
    if (!out || m_lastReplyLength <= 0)
        return 0;
    memcpy(out, m_lastReply, m_lastReplyLength);
    return m_lastReplyLength;
}

}
