#include "recordtext.h"

#include <QtTest>

namespace {

// Sets each field of `full` alone on a default record: the record must then
// differ from a default one, and its debug text name that field alone.
template<typename Record> void eachFieldCounts(const QByteArray &full)
{
    const Record filled = record<Record>(full);
    QCOMPARE(recordText(Record()), "()");
    Record::visitFields([&](const char *name, auto field) {
        Record changed;
        changed.*field = filled.*field;
        QVERIFY2(changed != Record(), name);
        QCOMPARE(recordText(changed).section('=', 0, 0), "(" + QString(name));
    });
}

// Whether the listed fields, laid out in order, make up the whole record: a
// field left out of the list (or listed twice) changes the size.
template<typename Record> bool listsEveryField()
{
    const auto aligned = [](size_t offset, size_t alignment) {
        return (offset + alignment - 1) / alignment * alignment;
    };
    size_t end = 0;
    Record::visitFields([&](const char *, auto field) {
        using Field = std::remove_reference_t<decltype(std::declval<Record &>().*field)>;
        end = aligned(end, alignof(Field)) + sizeof(Field);
    });
    return aligned(end, alignof(Record)) == sizeof(Record);
}

template<typename... Records> QList<bool> listEveryField()
{
    return {listsEveryField<Records>()...};
}

} // namespace

// Equality, debug output and serialisers come from each record's list of
// fields.
class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void everyFieldCounts()
    {
        eachFieldCounts<VHMemRequest>(R"({"id":"r","hostId":"h","type":1,"userId":"u","status":2,
            "invitationId":"i","invitedBy":"b","createdBy":"c","approvedBy":"a",
            "approvedData":{"remark":"r"},"user":{"visible":false}})");
        eachFieldCounts<VHModel>(R"({"id":"i","modelId":"m","linkId":"l","name":"n",
            "modelFile":"f","remark":"r","modelSize":5000000000,"authorized":true,"version":2,
            "preprocessed":1,"tags":["t"],"mapModelTag":{"k":"v"},
            "updatedAt":"2024-01-01T00:00:00.000Z","updatedBy":"u"})");
        eachFieldCounts<VHQRTemplate>(
            R"({"id":"i","name":"n","data":[{}],"type":1,"modifiedFields":[1]})");
    }

    void everyFieldIsListed()
    {
        const QList<bool> listed =
            listEveryField<VHUser, VHProject, VHProjectCondition, Approved, VHMemRequest, VHCircle,
                           VHEnterprise, VHStructure, VHDomain, VHSpecies, VHSubcontract,
                           VHEncodePair, VHEncodeRule, VHModule, VHModuleGroup, VHPeriod, VHModel,
                           VHModelSet, VHModelSetCondition, VHModelTag, VHModelTagType, VHUploadDNG,
                           VHEntity, VHEntityTreeDomain, VHEntityTreeFloor, VHEntityTree,
                           VHProperty, VHEntityPropertyVersion, VHEntityCondition,
                           VHEntityPropertyExtend, VHQRSetting, VHQRTemplateItem, VHQRTemplate,
                           VHPrintRecord, VHStatisticsQuantity, UpdateInfo>();
        QCOMPARE(listed.indexOf(false), -1);
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
