#ifndef MY_GD_H
#define MY_GD_H

// Process-wide flag: the panel shows English (set at start-up from the language setting).
class My_Gd {
public:
    static int is_english;
};

#endif
