#ifndef TEMPERATURECURVE_H
#define TEMPERATURECURVE_H

// The converter modules' temperature sensors: raw readings to whole degrees Celsius through
// sampled curves, one entry per degree. Both links use them.
class TemperatureCurve {
public:
    enum { HEATSINK_SIZE = 81, ENVIRONMENT_SIZE = 120, UNIT11_SIZE = 101 };

    // Heat-sink sensor, 40 to 120 degrees, raw falling.
    static int getTemperature(float raw);
    // Ambient sensor, -20 to 99 degrees, raw rising.
    static int getEnvTemperatureU1(float raw);
    // Sensors of the special units, -20 to 80 degrees, raw falling.
    static int getTemperatureModule11(float raw);

    // The curves: temperature of entry k is first + k.
    static const int heatsinkFirst = 40;
    static const int environmentFirst = -20;
    static const int unit11First = -20;
    static const int heatsinkRaw[HEATSINK_SIZE];
    static const int environmentRaw[ENVIRONMENT_SIZE];
    static const int unit11Raw[UNIT11_SIZE];
};

#endif
