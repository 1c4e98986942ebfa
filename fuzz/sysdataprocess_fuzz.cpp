// Any bytes as ../conf/sysdataprocess.pdu and as the module table's setting rows, read by the
// AC/DC link: every index it keeps stays inside its tables.
#include "achandler.h"
#include "fuzzdir.h"

struct AcHandlerProbe {
    static int readProcessFile(AcHandler& h) { return h.readProcessFile(); }
    static int readSettingFlags(AcHandler& h) { return h.readSettingFlags(); }
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = fuzzTree();
    putFile(root + "/conf/sysdataprocess.pdu", data, size);
    putFile(root + "/conf/acconfig.pdu", data, size);
    // Made once: its energy block alone is 2 MB.
    static AcHandler* h = new AcHandler(10, "../conf/acconfig.pdu", false);
    if (AcHandlerProbe::readProcessFile(*h) == 0) {
        // The table's own bounds; every index in between is a plain read.
        for (int i : { -1, 0, int(AcHandler::TABLE_SIZE) - 1, int(AcHandler::TABLE_SIZE) })
            h->processType(i);
        const int flags[] = { h->masterFlagIndex(), h->faultRecordFlagIndex(), h->initSettingFlagIndex() };
        for (int f : flags)
            if (f < -1 || f >= AcHandler::TABLE_SIZE)
                abort();
        if (h->initSettingLength() < 0 || h->initSettingLength() > AcHandler::MAX_INIT_LENGTH)
            abort();
        if (h->systemIndexCount() < 0 || h->systemIndexCount() > AcHandler::TABLE_SIZE)
            abort();
    }
    AcHandlerProbe::readSettingFlags(*h);
    for (int i : { -1, 0, int(AcHandler::TABLE_SIZE) - 1, int(AcHandler::TABLE_SIZE) })
        h->settingFlag(i);
    return 0;
}
