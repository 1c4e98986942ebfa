#include "temperaturecurve.h"
#include "saturate.h"

// The sensor curves are known to us only at a few measured points; between those points each
// table is filled by straight-line interpolation, rounded to whole counts. Every table passes
// through every measured point and is strictly monotonic, with steps of at least 9 counts so
// that each mid-point lookup lands on its own degree.

// Measured: 40:3350 41:3323 42:3294 50:3004 60:2773 80:2070 100:1488 117:1115 120:1040.
const int TemperatureCurve::heatsinkRaw[HEATSINK_SIZE] = {
    3350, 3323, 3294, 3258, 3222, 3185, 3149, 3113, 3076, 3040, // 40..49
    3004, 2981, 2958, 2935, 2912, 2888, 2865, 2842, 2819, 2796, // 50..59
    2773, 2738, 2703, 2668, 2632, 2597, 2562, 2527, 2492, 2457, // 60..69
    2422, 2386, 2351, 2316, 2281, 2246, 2211, 2175, 2140, 2105, // 70..79
    2070, 2041, 2012, 1983, 1954, 1924, 1895, 1866, 1837, 1808, // 80..89
    1779, 1750, 1721, 1692, 1663, 1634, 1604, 1575, 1546, 1517, // 90..99
    1488, 1466, 1444, 1422, 1400, 1378, 1356, 1334, 1312, 1291, // 100..109
    1269, 1247, 1225, 1203, 1181, 1159, 1137, 1115, 1090, 1065, // 110..119
    1040,                                                       // 120
};

// Measured: -20:296 -19:316 -18:337 0:872 20:1732 25:1959 50:2922 80:3533 99:3710.
const int TemperatureCurve::environmentRaw[ENVIRONMENT_SIZE] = {
    296, 316, 337, 367, 396, 426, 456, 486, 515, 545,             // -20..-11
    575, 604, 634, 664, 694, 723, 753, 783, 813, 842,             // -10..-1
    872, 915, 958, 1001, 1044, 1087, 1130, 1173, 1216, 1259,      // 0..9
    1302, 1345, 1388, 1431, 1474, 1517, 1560, 1603, 1646, 1689,   // 10..19
    1732, 1777, 1823, 1868, 1914, 1959, 1998, 2036, 2075, 2113,   // 20..29
    2152, 2190, 2229, 2267, 2306, 2344, 2383, 2421, 2460, 2498,   // 30..39
    2537, 2575, 2614, 2652, 2691, 2729, 2768, 2806, 2845, 2883,   // 40..49
    2922, 2942, 2963, 2983, 3003, 3024, 3044, 3065, 3085, 3105,   // 50..59
    3126, 3146, 3166, 3187, 3207, 3228, 3248, 3268, 3289, 3309,   // 60..69
    3329, 3350, 3370, 3390, 3411, 3431, 3452, 3472, 3492, 3513,   // 70..79
    3533, 3542, 3552, 3561, 3570, 3580, 3589, 3598, 3608, 3617,   // 80..89
    3626, 3635, 3645, 3654, 3663, 3673, 3682, 3691, 3701, 3710,   // 90..99
};

// Measured: -20:3753 -19:3738 0:3176 25:2130 50:1064 80:455.
const int TemperatureCurve::unit11Raw[UNIT11_SIZE] = {
    3753, 3738, 3708, 3679, 3649, 3620, 3590, 3561, 3531, 3501, // -20..-11
    3472, 3442, 3413, 3383, 3353, 3324, 3294, 3265, 3235, 3206, // -10..-1
    3176, 3134, 3092, 3050, 3009, 2967, 2925, 2883, 2841, 2799, // 0..9
    2758, 2716, 2674, 2632, 2590, 2548, 2507, 2465, 2423, 2381, // 10..19
    2339, 2297, 2256, 2214, 2172, 2130, 2087, 2045, 2002, 1959, // 20..29
    1917, 1874, 1832, 1789, 1746, 1704, 1661, 1618, 1576, 1533, // 30..39
    1490, 1448, 1405, 1362, 1320, 1277, 1235, 1192, 1149, 1107, // 40..49
    1064, 1044, 1023, 1003, 983, 962, 942, 922, 902, 881,       // 50..59
    861, 841, 820, 800, 780, 760, 739, 719, 699, 678,           // 60..69
    658, 638, 617, 597, 577, 556, 536, 516, 496, 475,           // 70..79
    455,                                                        // 80
};

int TemperatureCurve::getTemperature(float raw)
{
    const int* r = heatsinkRaw;
    const int last = HEATSINK_SIZE - 1;
    if (raw > r[0])
        return heatsinkFirst;
    if (raw <= r[last])
        return heatsinkFirst + last;
    for (int k = 1; k <= last; ++k) {
        if (r[k] < raw && raw <= r[k - 1]) {
            if (k == last)
                return heatsinkFirst + last;
            int d = r[k - 1] - Saturate::toInt32(raw);
            int w = r[k - 1] - r[k];
            // Half-way belongs to the lower temperature.
            return heatsinkFirst + (d > w / 2 ? k : k - 1);
        }
    }
    return 0; // not a number
}

int TemperatureCurve::getEnvTemperatureU1(float raw)
{
    const int* r = environmentRaw;
    const int last = ENVIRONMENT_SIZE - 1;
    if (raw <= r[0])
        return environmentFirst;
    if (raw >= r[last])
        return environmentFirst + last;
    for (int k = 0; k < last; ++k) {
        if (raw < (r[k] + r[k + 1]) / 2)
            return environmentFirst + k;
    }
    return environmentFirst + last;
}

int TemperatureCurve::getTemperatureModule11(float raw)
{
    const int* r = unit11Raw;
    const int last = UNIT11_SIZE - 1;
    int v = Saturate::toInt32(raw);
    if (v >= r[0])
        return unit11First;
    if (v <= r[last])
        return unit11First + last;
    for (int k = 0; k < last; ++k) {
        if ((r[k] + r[k + 1]) * 0.5 < v)
            return unit11First + k;
    }
    return unit11First + last;
}
