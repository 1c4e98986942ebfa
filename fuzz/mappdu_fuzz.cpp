// Any bytes as the point tables "map.pdu" of the three devices and the display file
// "pcs_interface.pdu": the panel's name tables, the AC/DC point map and the DC/DC command
// table are read from them, and every text read ends inside its field. Byte 0 is not part of the
// table: its low two bits pick the reader of an input (the rest the display file's battery type,
// variant and grid code), and only that reader's files are written. Each reader goes over its
// table a section at a time, so an input through all four cost four readers' time.
#include "dchandler.h"
#include "fuzzdir.h"
#include "modbusacdcdata.h"
#include "nametables.h"

#include <string.h>

struct DcHandlerProbe {
    static int readCommandTable(DcHandler& h) { return h.readCommandTable(); }
};

namespace {
template <size_t ROWS, size_t WIDTH>
void checkTable(const char (&table)[ROWS][WIDTH])
{
    for (size_t i = 0; i < ROWS; ++i)
        if (strnlen(table[i], WIDTH) == WIDTH)
            abort();
}

template <typename Row, size_t ROWS>
void checkRows(const Row (&rows)[ROWS])
{
    for (size_t i = 0; i < ROWS; ++i)
        if (strnlen(rows[i].name, sizeof rows[i].name) == sizeof rows[i].name)
            abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = fuzzTree();
    if (size < 1)
        return 0;
    const int pick = data[0];
    ++data;
    --size;
    const int v = pick >> 2;
    switch (pick & 3) {
    case 0:
        for (const char* file : { "/conf/map.pdu", "/conf-dcdc/map.pdu", "/conf-sts/map.pdu" })
            putFile(root + file, data, size);
        clearNameTables();
        loadDeviceNames(false);
        checkTable(text_dcac_status);
        checkTable(text_dcac_alarm);
        checkTable(text_dcac_analog);
        checkTable(text_dcdc_status);
        checkTable(text_dcdc_alarm);
        checkTable(text_dcdc_analog);
        checkTable(text_sts_status);
        checkTable(text_sts_alarm);
        checkTable(text_sts_analog);
        checkTable(text_dcac_config);
        checkTable(text_dcdc_config);
        checkTable(text_sts_config);
        break;
    case 1:
        putFile(root + "/bin/pcs_interface.pdu", data, size);
        clearNameTables();
        loadInterfaceFile(false, v % 12, (v >> 2) & 1, (v >> 3) & 3);
        checkRows(uiDataInfo);
        checkRows(uiBmsDataInfo);
        checkRows(uiRzData);
        break;
    case 2: {
        putFile(root + "/conf/map.pdu", data, size);
        static ModbusAcDcData* acdc = new ModbusAcDcData(10, nullptr, nullptr, 100, 0);
        acdc->config_file_open();
        break;
    }
    default: {
        putFile(root + "/conf-dcdc/map.pdu", data, size);
        static DcHandler* dc = new DcHandler("can0", 1000000, 800, false);
        DcHandlerProbe::readCommandTable(*dc);
        if (dc->commandTable().size() > DcHandler::INDICES)
            abort();
        break;
    }
    }
    return 0;
}
