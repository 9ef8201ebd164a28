// Every record parser fed with whatever JSON the fuzzer's bytes make.
#include "fuzzsupport.h"

#include "core/usercodec.h"
#include "entities/entitycodec.h"
#include "entities/extendpropertycodec.h"
#include "entities/qrcodes/qrcodec.h"
#include "entities/statistics/statisticscodec.h"
#include "models/modelcodec.h"
#include "projects/configurationcodec.h"
#include "projects/membercodec.h"
#include "projects/organisationcodec.h"
#include "projects/projectcodec.h"
#include "update/updateinfocodec.h"

namespace {

template<typename Record>
void parseInto(void (*parse)(const QJsonObject &, Record &), const QJsonObject &object)
{
    Record record;
    parse(object, record);
}

template<typename Record>
void parseInto(Record (*parse)(const QJsonObject &), const QJsonObject &object)
{
    (void)parse(object);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (const QJsonObject &object : Fuzz::objects(Fuzz::document(data, size))) {
        parseInto(parseUser, object);
        parseInto(parseProjectMember, object);
        parseInto(parseMemRequest, object);
        parseInto(parseProject, object);
        parseInto(parseCircle, object);
        parseInto(parseEnterprise, object);
        parseInto(parseStructure, object);
        parseInto(parseIdAndName<VHDomain>, object);
        parseInto(parseEncodePair, object);
        parseInto(parseEncodeRule, object);
        parseInto(parseModule, object);
        parseInto(parseModuleGroup, object);
        parseInto(parseModel, object);
        parseInto(parseModelSet, object);
        parseInto(parseModelTag, object);
        parseInto(parseModelTagType, object);
        parseInto(parseEntity, object);
        parseInto(parseEntityTree, object);
        parseInto(parseEntityPropertyVersion, object);
        parseInto(parseProperty, object);
        parseInto(parseEntityPropertyExtend, object);
        parseInto(parseQRSetting, object);
        parseInto(parseQRTemplateItem, object);
        parseInto(parseQRTemplate, object);
        parseInto(parsePrintRecord, object);
        parseInto(parseStatisticsQuantity, object);
        parseInto(parseUpdateInfo, object);
    }
    return 0;
}
