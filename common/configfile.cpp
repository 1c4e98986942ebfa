#include "configfile.h"
#include "syspath.h"

#include <ctype.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace esf {

namespace {

// Copies text into a destination of size bytes (0 = the default bound), always terminated.
void copyBounded(char* dst, const char* src, int size)
{
    if (size <= 0)
        size = ConfigFile::LINE_SIZE;
    size_t n = strnlen(src, size_t(size - 1));
    memcpy(dst, src, n);
    dst[n] = '\0';
}

// Stores one converted text through the next pointer; false when the pointer is null.
bool convert(char letter, const char* text, int width, va_list* ap)
{
    void* p = va_arg(*ap, void*);
    if (!p)
        return false;
    switch (letter) {
    case 'd':
        *static_cast<int*>(p) = int(strtol(text, nullptr, 10));
        break;
    case 'x':
        *static_cast<int*>(p) = int(strtol(text, nullptr, 16));
        break;
    case 'f':
        *static_cast<float*>(p) = float(strtod(text, nullptr));
        break;
    case 's':
        copyBounded(static_cast<char*>(p), text, width);
        break;
    }
    return true;
}

bool isConversion(char c)
{
    return c == 'd' || c == 'x' || c == 'f' || c == 's';
}

// Reads an optional width; leaves *f on the character after it.
int takeWidth(const char** f)
{
    int w = 0;
    while (isdigit(static_cast<unsigned char>(**f))) {
        if (w < 100000)
            w = w * 10 + (**f - '0');
        ++*f;
    }
    return w;
}

} // namespace

ConfigFile::ConfigFile()
    : fp(nullptr)
{
}

ConfigFile::~ConfigFile()
{
    close();
}

int ConfigFile::open(const char* path)
{
    if (!path || !*path || fp) {
        printf("IN the open %p %s\n", static_cast<void*>(fp), path ? path : "(null)");
        return 0;
    }
    std::string real = SysPath::resolve(path);
    fp = fopen(real.c_str(), "r+");
    if (!fp) {
        printf("IN the open %p %s\n", static_cast<void*>(fp), path);
        return 0;
    }
    return 1;
}

int ConfigFile::close()
{
    if (!fp)
        return 0;
    int r = fclose(fp);
    fp = nullptr;
    return r;
}

int ConfigFile::readLine(char* buf, int len)
{
    if (!fp || !buf || len < 1)
        return 0;
    int n = 0;
    int c;
    bool any = false;
    // Unlocked: the stream is this object's own, and a table is read a character at a time.
    while ((c = getc_unlocked(fp)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (n < len - 1)
            buf[n++] = char(c);
    }
    buf[n] = '\0';
    return any ? 1 : 0;
}

int ConfigFile::getValidLine(char* buf, int len, int delimiter)
{
    if (!fp || !buf || len < 1) {
        printf("ConfigFile::getValidLine fp is error \r");
        return 0;
    }
    for (;;) {
        // Terminated, not cleared: a line is read as a string, and tables are read by the line.
        buf[0] = '\0';
        // Blank lines and the leading blanks of a line are passed over.
        int c;
        while ((c = getc_unlocked(fp)) != EOF && isspace(c)) {
        }
        if (c == EOF) {
            printf("ConfigFile::getValidLine fscanf is error \r");
            return 0;
        }
        ungetc(c, fp);
        readLine(buf, len);
        delPrefix(buf, delimiter);
        delComment(buf);
        if (buf[0] != '\0')
            return 1;
    }
}

int ConfigFile::getWord(char* line, char* word, int len, int delimiter)
{
    if (!line || !word || len < 1)
        return 0;
    delPrefix(line, delimiter);
    char* end = line;
    while (*end && *end != delimiter && *end != '\r')
        ++end;
    size_t n = size_t(end - line);
    size_t keep = n < size_t(len - 1) ? n : size_t(len - 1);
    memcpy(word, line, keep);
    word[keep] = '\0';
    memmove(line, end, strlen(end) + 1);
    return 1;
}

int ConfigFile::find(const char* key)
{
    if (!fp || !key || !*key) {
        printf("ConfigFile::find fp is error \r");
        return 0;
    }
    char line[LINE_SIZE];
    char word[LINE_SIZE];
    for (;;) {
        if (!getValidLine(line, sizeof line, '\t')) {
            printf("ConfigFile::find getValidLine %s is error \r\n", key);
            return 0;
        }
        getWord(line, word, sizeof word, '\t');
        if (strcmp(word, key) == 0)
            return 1;
    }
}

int ConfigFile::read(const char* format, ...)
{
    if (!fp || !format || !*format) {
        printf("ConfigFile::read fp is error \r");
        return 0;
    }
    char line[LINE_SIZE];
    if (!getValidLine(line, sizeof line, '\t')) {
        printf("ConfigFile::read getValidLine is error \r");
        return 0;
    }
    char word[LINE_SIZE];
    word[0] = '\0';
    char* piece = word;   // where the next "/" piece of the current word starts
    va_list ap;
    va_start(ap, format);
    int ok = 1;
    for (const char* f = format; *f && ok;) {
        if (*f == '%') {
            ++f;
            getWord(line, word, sizeof word, '\t');
            piece = word;
            int width = takeWidth(&f);
            if (isConversion(*f)) {
                char letter = *f++;
                if (!convert(letter, word, width, &ap)) {
                    printf("ConfigFile::read pInt %c%c is error \r", letter, letter);
                    ok = 0;
                }
            }
        } else if (*f == '/') {
            ++f;
            int width = takeWidth(&f);
            if (isConversion(*f)) {
                char letter = *f++;
                char* end = piece ? strchr(piece, '/') : nullptr;
                char text[LINE_SIZE];
                text[0] = '\0';
                if (piece) {
                    size_t n = end ? size_t(end - piece) : strlen(piece);
                    memcpy(text, piece, n);
                    text[n] = '\0';
                    piece = end ? end + 1 : nullptr;
                }
                if (!convert(letter, text, width, &ap)) {
                    printf("ConfigFile::read pInt %c is error \r", letter);
                    ok = 0;
                }
            }
        } else {
            ++f;
        }
    }
    va_end(ap);
    return ok;
}

int ConfigFile::write(const char* format, ...)
{
    if (!fp || !format)
        return 0;
    fseek(fp, 0, SEEK_CUR);   // a stream switching from reading to writing must be positioned
    va_list ap;
    va_start(ap, format);
    int ok = 1;
    for (const char* f = format; *f && ok; ++f) {
        int r = 0;
        switch (*f) {
        case 'd':
        case 'x':
            r = fprintf(fp, "%d\t", va_arg(ap, int));
            break;
        case 'f':
            r = fprintf(fp, "%.3f\t", va_arg(ap, double));
            break;
        case 's': {
            const char* s = va_arg(ap, const char*);
            if (!s) {
                printf("ConfigFile::write ss is error \r");
                ok = 0;
                continue;
            }
            r = fprintf(fp, "%s\t", s);
            break;
        }
        default:
            continue;
        }
        if (r < 0) {
            printf("ConfigFile::write file  error \r");
            ok = 0;
        }
    }
    va_end(ap);
    fputc('\n', fp);
    return ok;
}

int ConfigFile::replaceLine(const char* line)
{
    if (!fp || !line)
        return 0;
    long start = ftell(fp);
    long bytes = 0;   // the old line's length, carriage returns included, newline excluded
    int c;
    while ((c = getc(fp)) != EOF && c != '\n' && bytes < LINE_SIZE)
        ++bytes;
    if (strlen(line) > size_t(bytes)) {
        printf("The input line is too long!\n");
        fseek(fp, start, SEEK_SET);
        return 0;
    }
    fseek(fp, start, SEEK_SET);
    fputs(line, fp);
    for (long i = long(strlen(line)); i < bytes; ++i)
        fputc(' ', fp);
    fflush(fp);
    fseek(fp, start + bytes + 1, SEEK_SET);
    return 1;
}

int ConfigFile::clearLine()
{
    if (!fp) {
        printf("ConfigFile::clearLine fp is error \r");
        return 0;
    }
    long start = ftell(fp);
    char buf[LINE_SIZE];
    readLine(buf, sizeof buf);
    fseek(fp, start, SEEK_SET);
    return 1;
}

int ConfigFile::delPrefix(char* line, int delimiter)
{
    if (!line)
        return 0;
    char* p = line;
    while (*p && (*p == delimiter || *p == '\r'))
        ++p;
    if (p != line)
        memmove(line, p, strlen(p) + 1);
    return 1;
}

int ConfigFile::delComment(char* line)
{
    if (!line)
        return 0;
    char* c = strstr(line, "//");
    if (c)
        *c = '\0';
    return 1;
}

int ConfigFile::split(char* text, char* delimiters, char** parts, int n)
{
    if (!text || !*text || !delimiters || !*delimiters || !parts || n < 1)
        return -1;
    int count = 0;
    char* p = text;
    while (count < n) {
        parts[count++] = p;
        char* d = strpbrk(p, delimiters);
        if (!d)
            break;
        *d = '\0';
        p = d + 1;
    }
    if (count < n)
        parts[count] = nullptr;
    return count;
}

int ConfigFile::split(char* text, char* delimiters, int* values, int lenBytes, int base)
{
    if (!text || !*text || !delimiters || !*delimiters || !values || lenBytes < int(sizeof(int)))
        return -1;
    memset(values, 0, size_t(lenBytes));
    int max = lenBytes / int(sizeof(int));
    int count = 0;
    char* p = text;
    while (p && count < max) {
        char* d = strpbrk(p, delimiters);
        if (d)
            *d = '\0';
        values[count++] = int(strtol(p, nullptr, base));
        p = d ? d + 1 : nullptr;
    }
    return count;
}

} // namespace esf
