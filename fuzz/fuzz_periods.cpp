// The periods reply: a raw array whose objects carry "properties".
#include "fuzzsupport.h"

#include "projects/configurationcodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonArray array = Fuzz::document(data, size).array();
    QList<VHPeriod> periods{VHPeriod()};
    parsePeriods(array, periods);
    // One period per element, appended behind what the list held.
    Fuzz::require(periods.size() == array.size() + 1);
    return 0;
}
