// Certification standard (grid code): the switch-over that the machine-type apply ends with.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "certparamfile.h"
#include "devicedata.h"
#include "monitorset.h"
#include "nametables.h"

#include <stdio.h>
#include <string.h>

namespace {
enum { kChina, kAmerica, kAustralia, kUk };
const int kReactiveModeIndex = 94;
const float kReactiveModeOff = 255;
}

void Tab_set::setRzVersion()
{
    set[53].value = ui->comboBox_51->currentIndex();
    const int standard = set[53].value;

    float mode = 0;
    if (!readConfig(acView, 0, kReactiveModeIndex, &mode) || mode == kReactiveModeOff)
        mode = 0;
    int highestMode = -1;
    switch (standard) {
    case kAmerica:
        showData[0] = 0.1f;
        showData[1] = 0.1f;
        showData[2] = 0.02f;
        saveshowData();
        highestMode = 2;
        break;
    case kAustralia:
        highestMode = 3;
        break;
    case kChina:
    case kUk:
        highestMode = 1;
        break;
    default:
        break;
    }
    if (highestMode >= 0 && mode > highestMode)
        setAc(kReactiveModeIndex, 1);
    setAc(71, standard);
    setSts(48, standard);
    savemonitorset();

    unsigned char loaded[UI_RZ_ROWS] = {};
    if (standard >= kChina && standard <= kUk) {
        const int n = loadGridCodeRows(set[20].value == 1, standard, loaded);
        if (standard == kAustralia)
            printf("num%d\n", n);
    } else {
        memset(uiRzData, 0, sizeof uiRzData);
    }

    CertParamFile::patchAll(uiRzData, loaded);
    initAcShow();
}
