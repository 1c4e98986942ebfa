#ifndef TESTS_ACCONFIGFIXTURE_H
#define TESTS_ACCONFIGFIXTURE_H

#include <string>

// A small signal-table file: three read blocks, a template of each data mode, a command, a
// composed setting and an event template. Tests write variants of it to ../conf/acconfig.pdu.
inline std::string smallTables()
{
    return "// small tables\n"
           "[DATA_EXPAND_NUM]\n"
           "3\n"
           "[DATA_EXPAND]\n"
           "40\t41\t1\t0\n"
           "20\t21\t2\t1\n"
           "30\t31\t1\t2\n"
           "[DATA_SIGNAL_INFO]\n"
           "3/3/4\t0/100/200\t50/20/2\t5\n"
           "[DATA_SIGNAL_NUM]\n"
           "11\n"
           "[DATA_SIGNAL]\n"
           "0\t0\tlink\t-1/-1/0/1\t-1\n"
           "5\t7\tvoltage\t0/9/8/10\t-1\n"
           "6\t8\tflag\t0/3/1/6\t-1\n"
           "40\t40\tcurrent\t1/3/0/0\t-1\n"
           "41\t-1\traw\t1/5/0/1\t-1\n"
           "20\t50\tphase\t0/11/0/1\t-1\n"
           "21\t-1\tphase raw\t0/13/0/1\t-1\n"
           "30\t60\tidle\t-1/-1/0/1\t(D5=0)&(D6=0)/*\n"
           "31\t-1\thidden\t-1/-1/0/1\t-1\n"
           "12\t70\tstate\t-1/-1/0/1\t(D12=1)&(D13=0)/(D12=2)/*\n"
           "13\t-1\tother\t2/3/0/1\t-1\n"
           "[CTRL_SIGNAL_INFO]\n"
           "1000\n"
           "[CTRL_SIGNAL_NUM]\n"
           "2\n"
           "[CTRL_SIGNAL]\n"
           "0\t1\tstart\t6\t1000\t1\n"
           "1\t401\tfault record\t3\t2000\t7D\n"
           "[SETTING_SIGNAL_INFO]\n"
           "1100\n"
           "[SETTING_SIGNAL_NUM]\n"
           "4\n"
           "[SETTING_SIGNAL]\n"
           "0\t60\tpower\t6\t1100\t1\t-1\t0\t10\n"
           "1\t80\tcomposed\t10\t1120\t3\t0/-1/40\t0\t10\n"
           "2\t99\treserved\t6\tFFFF\t1\t-1\t0\t1\n"
           "3\t81\twide\t10\t1130\t2\t-1\t2\t1\n"
           "[EVENT_EXPAND_NUM]\n"
           "1\n"
           "[EVENT_EXPAND]\n"
           "10\t10\t2\t0\t1\n"
           "[EVENT_SIGNAL_NUM]\n"
           "3\n"
           "[EVENT_SIGNAL]\n"
           "0\t1\tlink lost\t1\t3\n"
           "6\t10\tflag alarm\t(D6=1)\t2\n"
           "5\t20\tnone\t-1\t1\n";
}

inline std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

#endif
