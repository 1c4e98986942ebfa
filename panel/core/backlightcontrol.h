#ifndef BACKLIGHTCONTROL_H
#define BACKLIGHTCONTROL_H

// The display backlight: one byte 1 switches it on, 0 off.
class BackLightControl {
public:
    explicit BackLightControl(const char* path);
    int openBK();
    void bkOn();
    void bkOff();

private:
    void put(char level);

    char path_[128];
    int fd_;
};

#endif
