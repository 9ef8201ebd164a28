#include "core/jsonfields.h"

#include <QtTest>

namespace {

QString two(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// Variations of one date and time: the server's form, then the same moment
// written the ways the general reader also meets (or rejects).
QStringList variants(const QString &date, const QString &time, const QString &ms)
{
    const QString stem = date + QLatin1Char('T') + time;
    return {stem + QLatin1Char('.') + ms + QLatin1Char('Z'),
            stem + QLatin1Char('Z'),
            stem + QLatin1Char('.') + ms,
            stem + QLatin1Char('.') + ms + QStringLiteral("+08:00"),
            stem + QLatin1Char('.') + ms + QStringLiteral("-05:30"),
            stem + QLatin1Char('.') + ms + QLatin1Char('z'),
            stem + QLatin1Char('.') + ms + QStringLiteral("0Z"),
            date + QLatin1Char(' ') + time + QLatin1Char('.') + ms + QLatin1Char('Z')};
}

} // namespace

// The direct reader of the server's date-time form must give exactly what the
// general reader gives, for that form and for every text that only resembles
// it (leap days and impossible dates included).
class TestJsonFields : public QObject
{
    Q_OBJECT
private slots:
    void serverDateTimeMatchesGeneralReader()
    {
        QStringList texts = {
            QString(),
            QStringLiteral("not a date"),
            QStringLiteral("2023-04-05T06:07:08.123Y"),
            QStringLiteral("2023-04-05T06:07:08,123Z"),
            QStringLiteral("2023-04-05T06:07:08.12aZ"),
            QStringLiteral("2023-04-05T06:07:08.-12Z"),
            QStringLiteral("2023-04-05T06:07:+8.123Z"),
            QStringLiteral("0000-01-01T00:00:00.000Z"),
            QStringLiteral("2023-04-05T24:00:00.000Z"),
            QString::fromUtf8("2023-04-05T06:07:0\xd9\xa3.123Z")}; // Arabic-Indic 3
        for (int year : {1, 1582, 1900, 1970, 2000, 2023, 2024, 2100, 9999}) {
            for (int month = 0; month <= 13; month += (month == 1 || month == 11) ? 1 : 2) {
                for (int day : {0, 1, 28, 29, 30, 31, 32}) {
                    const QString date = QStringLiteral("%1-%2-%3")
                                             .arg(year, 4, 10, QLatin1Char('0'))
                                             .arg(two(month), two(day));
                    for (int hour : {0, 23, 24}) {
                        for (int minute : {0, 59, 60}) {
                            const QString time = two(hour) + QLatin1Char(':') + two(minute) +
                                                 QLatin1Char(':') + two(minute == 0 ? 60 : 59);
                            texts += variants(date, time, QStringLiteral("999"));
                            texts += variants(date, time, QStringLiteral("000"));
                        }
                    }
                }
            }
        }
        int valid = 0;
        for (const QString &text : qAsConst(texts)) {
            const QDateTime general = VHPub::getDateTimeByQString(text);
            const QDateTime direct = JsonField::serverDateTime(text);
            QVERIFY2(direct.isValid() == general.isValid() &&
                         direct.timeSpec() == general.timeSpec() &&
                         direct.toMSecsSinceEpoch() == general.toMSecsSinceEpoch() &&
                         direct.offsetFromUtc() == general.offsetFromUtc(),
                     qPrintable(text));
            valid += general.isValid();
        }
        // The generated texts hold both kinds in number.
        QVERIFY(valid > 1000);
        QVERIFY(texts.size() - valid > 1000);
    }
};

QTEST_GUILESS_MAIN(TestJsonFields)
#include "tst_jsonfields.moc"
