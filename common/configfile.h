#ifndef CONFIGFILE_H
#define CONFIGFILE_H

#include <stdio.h>

namespace esf {

// Reader of the section-keyed text files (.pdu, .ini): a section opens with its name in square
// brackets, rows are TAB-separated words, "//" starts a comment, "/" splits a word into pieces.
//
// read() formats take "%d", "%x", "%f", "%s" for a whole word and "/d", "/x", "/f", "/s" for the
// next "/"-separated piece of it. A width before the letter ("%32s", "/16s") is the size of the
// destination buffer: the text is cut to fit. Without a width a text may take up to 512 bytes.
class ConfigFile {
public:
    enum { LINE_SIZE = 512 };

    ConfigFile();
    virtual ~ConfigFile();
    // 1 = open, 0 = failed. The file must exist (it is opened for reading and writing).
    virtual int open(const char* path);
    virtual int close();
    // 1 at the first line from the current position whose first word is key; never rewinds.
    virtual int find(const char* key);
    // 1 = the next valid line was read into the pointers, 0 = error.
    virtual int read(const char* format, ...);
    virtual int write(const char* format, ...);
    virtual int replaceLine(const char* line);

    // The next raw line, cut to len - 1 characters; the rest of a longer line is dropped.
    int readLine(char* buf, int len);
    int clearLine();
    int getValidLine(char* buf, int len, int delimiter);
    int getWord(char* line, char* word, int len, int delimiter);

    static int delPrefix(char* line, int delimiter);
    static int delComment(char* line);
    static int split(char* text, char* delimiters, char** parts, int n);
    static int split(char* text, char* delimiters, int* values, int lenBytes, int base);

private:
    ConfigFile(const ConfigFile&);
    ConfigFile& operator=(const ConfigFile&);

    FILE* fp;
};

} // namespace esf

#endif
