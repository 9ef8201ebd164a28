#include "periodservice.h"

#include "core/requestframe.h"
#include "projects/configurationcodec.h"

using namespace RequestFrame;

namespace PeriodService {

bool getPeriodByEntityCode(const QString &entityCode, QList<VHPeriod> &periods)
{
    const Exchange reply = Exchange::get(url(Service::Period, "velto/periods/%1", entityCode));
    parsePeriods(reply.array(), periods);
    return reply.isSuccessful();
}

} // namespace PeriodService
