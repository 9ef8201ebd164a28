// Seeds each fuzz target's corpus from the sandbox's data file: every
// collection as one list reply and its first records as single-object replies.
// Usage: make_corpus <seed.json> <corpus directory>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

void write(const QString &directory, const QString &name, const QByteArray &content)
{
    QDir().mkpath(directory);
    QFile file(directory + QLatin1Char('/') + name);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

QByteArray compact(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        QTextStream(stderr) << "usage: make_corpus <seed.json> <corpus directory>\n";
        return 2;
    }
    QFile seed(QString::fromLocal8Bit(argv[1]));
    if (!seed.open(QIODevice::ReadOnly))
        return 1;
    const QJsonObject collections = QJsonDocument::fromJson(seed.readAll())
                                        .object()
                                        .value(QLatin1String("collections"))
                                        .toObject();
    const QString root = QString::fromLocal8Bit(argv[2]);
    const int recordsPerCollection = 8;

    for (auto it = collections.begin(); it != collections.end(); ++it) {
        const QJsonArray records = it.value().toArray();
        const QJsonArray sample =
            QJsonArray::fromVariantList(records.toVariantList().mid(0, recordsPerCollection));
        write(root + QLatin1String("/codecs"), it.key() + QLatin1String(".json"), compact(sample));
        write(root + QLatin1String("/limits"), it.key() + QLatin1String(".json"), compact(sample));
        write(root + QLatin1String("/codecs"), it.key() + QLatin1String("-data.json"),
              compact(QJsonObject{{QLatin1String("data"), sample}}));
        for (int i = 0; i < sample.size(); ++i)
            write(root + QLatin1String("/codecs"),
                  it.key() + QLatin1Char('-') + QString::number(i) + QLatin1String(".json"),
                  compact(sample.at(i).toObject()));
    }
    const QJsonArray periods = collections.value(QLatin1String("periods")).toArray();
    for (int i = 0; i < periods.size() && i < recordsPerCollection; ++i)
        write(root + QLatin1String("/periods"), QString::number(i) + QLatin1String(".json"),
              compact(QJsonArray{periods.at(i)}));
    write(root + QLatin1String("/updatecheck"), QStringLiteral("serverid.json"),
          compact(QJsonObject{{QLatin1String("serverId"), QLatin1String("s1")}}));
    write(root + QLatin1String("/updatecheck"), QStringLiteral("builds.json"),
          compact(collections.value(QLatin1String("builds")).toArray()));
    write(root + QLatin1String("/cookies"), QStringLiteral("session"),
          "sid=s3; Path=/; HttpOnly; Secure\nlang=en; Domain=example.com; Max-Age=3600");
    write(root + QLatin1String("/cookies"), QStringLiteral("large"),
          "big=" + QByteArray(5000, 'v') + "\nsmall=1; Path=/v1/");
    return 0;
}
