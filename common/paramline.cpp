#include "paramline.h"
#include "configfile.h"

#include <errno.h>
#include <limits.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <string>

int ParamLine::format(int index, float value, char line[SIZE + 1])
{
    line[0] = '\0';
    if (index < 0 || index > MAX_INDEX)
        return 0;
    float product = value * 1000.0f;
    if (!isfinite(product))
        return 0;
    // The same rounding as "%.0f"; done first so that a negative zero prints without a sign.
    double rounded = nearbyint(double(product));
    if (rounded < -999999999.0 || rounded > 9999999999.0)
        return 0;
    if (rounded == 0.0)
        rounded = 0.0;
    int n = snprintf(line, SIZE + 1, "%04d/%010.0f\n", index, rounded);
    if (n != SIZE) {
        line[0] = '\0';
        return 0;
    }
    return 1;
}

int ParamLine::writeAt(FILE* fp, int index, float value)
{
    char line[SIZE + 1];
    if (!format(index, value, line))
        return 0;
    if (!fp)
        return -1;
    if (fseek(fp, long(index) * SIZE, SEEK_SET) != 0 || fwrite(line, 1, SIZE, fp) != size_t(SIZE)
        || fflush(fp) != 0) {
        clearerr(fp);
        return -1;
    }
    return 1;
}

namespace {
// An optional sign and decimal digits, nothing else; a line's end may trail it.
bool wholeNumber(const char* text, long long* out)
{
    std::string t(text);
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r' || t.back() == ' '))
        t.pop_back();
    size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    if (i >= t.size())
        return false;
    for (size_t k = i; k < t.size(); ++k)
        if (t[k] < '0' || t[k] > '9')
            return false;
    errno = 0;
    *out = strtoll(t.c_str(), nullptr, 10);
    if (errno == ERANGE)
        *out = t[0] == '-' ? LLONG_MIN : LLONG_MAX;
    return true;
}
}

int ParamLine::parse(const char* line, int* index, float* value)
{
    if (!line || !index || !value)
        return 0;
    std::string text(line);
    char* fields[128];
    char slash[] = "/";
    if (esf::ConfigFile::split(&text[0], slash, fields, 128) < 2)
        return 0;
    long long i, v;
    // A damaged field must not pass as a number: "00x0012500" is not 0.
    if (!wholeNumber(fields[0], &i) || !wholeNumber(fields[1], &v))
        return 0;
    if (i > INT_MAX)
        i = INT_MAX;
    if (i < INT_MIN)
        i = INT_MIN;
    if (v > INT_MAX)
        v = INT_MAX;
    if (v < INT_MIN)
        v = INT_MIN;
    *index = int(i);
    *value = float(int(v)) / 1000.0f;
    return 1;
}
