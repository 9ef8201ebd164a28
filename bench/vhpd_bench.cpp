// Each case of the library measured beside the leanest hand-written Qt client
// doing the same work against the same loopback server, in the same process
// and run. Every case reports the median of its repetitions; the table at the
// end divides each library median by its baseline's.

#include "benchserver.h"
#include "uploadsink.h"

#include "VHNetwork.h"
#include "VHPrimaryData.h"
#include "VHPublicFun.h"
#include "VHSoftBase.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// The size of every case. VHPD_BENCH_SMOKE=1 shrinks them all to a run of a
// few seconds that only shows that every case still works (CI runs that).
struct Sizes
{
    int userCalls = 5000;
    int pageEntities = 100000;
    int catalogueModels = 100000;
    int writeCalls = 1000;
    int batchIds = 10000;
    qint64 uploadBytes = qint64(2) << 30;

    static Sizes smoke() { return Sizes{20, 1000, 1000, 10, 100, qint64(8) << 20}; }
};
Sizes sizes;

BenchServer *server = nullptr;
UploadSink *sink = nullptr;
QNetworkAccessManager *rawClient = nullptr;
QString uploadPath;

using Backend = NetworkManager::Backend;

// --- Process memory ---------------------------------------------------------

qint64 statusKiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stoll(line.substr(prefix.size()));
    }
    return 0;
}

// Resident memory now, after handing freed memory back to the system, with
// the peak mark reset to it; peakGrowth() then tells how far it rose.
qint64 startPeakWatch()
{
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    return statusKiB("VmRSS");
}

double peakGrowthMiB(qint64 startKiB)
{
    return double(statusKiB("VmHWM") - startKiB) / 1024.0;
}

// --- The hand-written client ------------------------------------------------

QString apiUrl(const char *path)
{
    return server->address() + QLatin1String("/v1/") + QLatin1String(path);
}

// A GET through QNetworkAccessManager, waited for in a local event loop.
QByteArray rawGet(const QString &url, bool identity = true)
{
    QNetworkRequest request{QUrl(url, QUrl::TolerantMode)};
    if (identity)
        request.setRawHeader("Accept-Encoding", "identity");
    QNetworkReply *reply = rawClient->get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

QString str(const QJsonObject &o, const char *key)
{
    return o.value(QLatin1String(key)).toString();
}

QDateTime date(const QJsonObject &o, const char *key)
{
    return QDateTime::fromString(str(o, key), Qt::ISODateWithMs);
}

VHUser rawUser(const QJsonObject &o)
{
    VHUser u;
    u.id = str(o, "_id");
    u.name = str(o, "name");
    u.nickName = str(o, "nickName");
    u.avatar = str(o, "avatar");
    u.phoneNumber = str(o, "phoneNumber");
    u.signature = str(o, "signature");
    u.visible = o.value(QLatin1String("visible")).toBool(true);
    return u;
}

VHEntity rawEntity(const QJsonObject &o)
{
    VHEntity e;
    e.id = str(o, "_id");
    e.uuid = str(o, "uuid");
    e.modelId = str(o, "modelId");
    e.model = str(o, "model");
    e.qrCode = str(o, "qrCode");
    e.printed = o.value(QLatin1String("printed")).toBool();
    e.name = str(o, "name");
    e.entityId = str(o, "entityId");
    e.floor = str(o, "floor");
    e.category = o.value(QLatin1String("category")).toInt();
    e.domain = o.value(QLatin1String("domain")).toInt();
    e.printedAt = date(o, "printedAt");
    e.printedBy = str(o, "printedBy");
    return e;
}

VHModel rawModel(const QJsonObject &o)
{
    VHModel m;
    m.id = str(o, "_id");
    m.modelId = m.id;
    m.name = str(o, "name");
    m.authorized = o.value(QLatin1String("authorized")).toBool(true);
    m.modelFile = str(o, "modelFile");
    m.remark = str(o, "remark");
    m.modelSize = o.value(QLatin1String("modelSize")).toVariant().toLongLong();
    m.version = o.value(QLatin1String("version")).toInt(1);
    m.preprocessed = o.value(QLatin1String("preprocessed")).toInt();
    for (const QJsonValue &tag : o.value(QLatin1String("tags")).toArray())
        m.tags.append(tag.toString());
    m.updatedAt = date(o, "updatedAt");
    m.updatedBy = str(o, "updatedBy");
    return m;
}

template<typename Record, typename Map> QList<Record> rawList(const QByteArray &body, Map map)
{
    const QJsonArray items = QJsonDocument::fromJson(body).array();
    QList<Record> records;
    records.reserve(items.size());
    for (const QJsonValue &item : items)
        records.append(map(item.toObject()));
    return records;
}

// --- The library ------------------------------------------------------------

VHPrimaryData &library(Backend backend)
{
    NetworkManager::instance().setBackend(backend);
    VHPrimaryData::instance()->clear();
    return *VHPrimaryData::instance();
}

QStringList batchIds()
{
    QStringList ids;
    for (int i = 0; i < sizes.batchIds; ++i)
        ids.append(QString::fromStdString(BenchServer::modelId(i)));
    return ids;
}

// The URLs the library sends for `ids`, 36 ids at a time.
QStringList batchUrls(const QStringList &ids)
{
    QStringList urls;
    for (int from = 0; from < ids.size(); from += 36) {
        QJsonObject in{{QStringLiteral("$in"), QJsonArray::fromStringList(ids.mid(from, 36))}};
        const QJsonObject where{{QStringLiteral("_id"), in}};
        urls.append(apiUrl("model-service/projects/p1/models?where=") +
                    QString::fromUtf8(QJsonDocument(where).toJson(QJsonDocument::Compact)) +
                    QLatin1String("&auth=read&expand=true"));
    }
    return urls;
}

void expect(benchmark::State &state, bool ok, const char *what)
{
    if (!ok)
        state.SkipWithError(what);
}

// --- Cases -------------------------------------------------------------------

void callOverheadRaw(benchmark::State &state)
{
    const QString url =
        apiUrl("account-service/users/") + QString::fromStdString(BenchServer::userId());
    for (auto _ : state) {
        for (int i = 0; i < sizes.userCalls; ++i) {
            const VHUser user = rawUser(QJsonDocument::fromJson(rawGet(url)).object());
            benchmark::DoNotOptimize(user.id);
        }
    }
}

void callOverheadLibrary(benchmark::State &state, Backend backend)
{
    VHPrimaryData &facade = library(backend);
    const QString id = QString::fromStdString(BenchServer::userId());
    for (auto _ : state) {
        bool ok = true;
        for (int i = 0; i < sizes.userCalls; ++i) {
            VHUser user;
            ok = facade.getUser(id, user, true) && ok;
        }
        expect(state, ok, "getUser failed");
    }
}

QString entityPageUrl()
{
    return apiUrl("model-service/projects/p1/entities?queryParam=&skip=0&limit=") +
           QString::number(sizes.pageEntities) + QLatin1String("&order=-printedAt");
}

void largePageRaw(benchmark::State &state, bool gzip)
{
    server->setCompressPage(gzip);
    const QString url = entityPageUrl();
    for (auto _ : state) {
        const QList<VHEntity> entities = rawList<VHEntity>(rawGet(url, !gzip), rawEntity);
        expect(state, entities.size() == sizes.pageEntities, "short page");
    }
    server->setCompressPage(false);
}

void largePageLibrary(benchmark::State &state, Backend backend, bool gzip)
{
    server->setCompressPage(gzip);
    VHPrimaryData &facade = library(backend);
    for (auto _ : state) {
        state.PauseTiming();
        facade.clear();
        state.ResumeTiming();
        QList<VHEntity> entities;
        const bool ok = facade.getEntityRangeData(0, sizes.pageEntities, entities);
        expect(state, ok && entities.size() == sizes.pageEntities, "getEntityRangeData failed");
    }
    state.counters["body_MiB"] = double(server->entityPageBytes()) / (1 << 20);
    server->setCompressPage(false);
}

// --- Peak memory of one large page, each in a process of its own -------------
//
// How far resident memory rises during a call depends on what the allocator
// kept from the cases before it, so the large page's peak is measured in a
// fresh process: one call to warm up, then the measured one.

const char *const PeakProbeOption = "--peak-probe=";

// In the child: prints the peak growth of one page read by `side` ("raw_qt",
// "lib_qt" or "lib_curl") in MiB; 1 when the read fails.
int runPeakProbe(const std::string &side)
{
    const QString url = entityPageUrl();
    const auto read = [&] {
        if (side == "raw_qt")
            return rawList<VHEntity>(rawGet(url), rawEntity).size() == sizes.pageEntities;
        VHPrimaryData &facade = library(side == "lib_qt" ? Backend::Qt : Backend::Curl);
        QList<VHEntity> entities;
        return facade.getEntityRangeData(0, sizes.pageEntities, entities) &&
               entities.size() == sizes.pageEntities;
    };
    if (!read())
        return 1;
    VHPrimaryData::instance()->clear();
    const qint64 start = startPeakWatch();
    if (!read())
        return 1;
    std::printf("%.1f\n", peakGrowthMiB(start));
    // The server would otherwise wait out the kept-alive connection on exit.
    NetworkManager::instance().closeConnections();
    return 0;
}

// In the parent: the median of `runs` probes of `side`; 0 when any failed.
double probePeakMiB(const char *side, int runs = 3)
{
    std::vector<double> peaks;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QLatin1String(PeakProbeOption) + QLatin1String(side)});
        if (!child.waitForFinished(120000) || child.exitCode() != 0)
            return 0;
        peaks.push_back(child.readAllStandardOutput().trimmed().toDouble());
    }
    std::sort(peaks.begin(), peaks.end());
    return peaks[peaks.size() / 2];
}

void writeCallGet(benchmark::State &state, Backend backend)
{
    VHPrimaryData &facade = library(backend);
    for (auto _ : state) {
        bool ok = true;
        for (int i = 0; i < sizes.writeCalls; ++i) {
            VHModelSet set;
            ok = facade.getModelSet(QStringLiteral("s1"), set, false) && ok;
        }
        expect(state, ok, "getModelSet failed");
    }
    state.counters["reply_B"] = double(server->modelSetReplyBytes());
}

void writeCallPost(benchmark::State &state, Backend backend)
{
    VHPrimaryData &facade = library(backend);
    for (auto _ : state) {
        bool ok = true;
        for (int i = 0; i < sizes.writeCalls; ++i) {
            VHModelSet set;
            set.name = QStringLiteral("Structure of Tower B");
            set.modelIds = QStringList{QStringLiteral("m1"), QStringLiteral("m2")};
            ok = facade.createModelSet(set) && ok;
        }
        expect(state, ok, "createModelSet failed");
    }
    state.counters["reply_B"] = double(server->modelSetReplyBytes());
}

void batchesRaw(benchmark::State &state)
{
    const QStringList urls = batchUrls(batchIds());
    for (auto _ : state) {
        server->resetConnectionCount();
        QList<VHModel> models;
        for (const QString &url : urls)
            models += rawList<VHModel>(rawGet(url), rawModel);
        state.counters["connections"] = server->connectionCount();
        state.counters["requests"] = urls.size();
        expect(state, models.size() == sizes.batchIds, "models missing");
    }
}

void batchesLibrary(benchmark::State &state, Backend backend)
{
    VHPrimaryData &facade = library(backend);
    const QStringList ids = batchIds();
    const quint64 requestsBefore = NetworkManager::instance().requestCount();
    for (auto _ : state) {
        server->resetConnectionCount();
        QList<VHModel> models;
        const bool ok = facade.getModelsByIds(ids, models);
        state.counters["connections"] = server->connectionCount();
        expect(state, ok && models.size() == sizes.batchIds, "getModelsByIds failed");
    }
    state.counters["requests"] =
        double(NetworkManager::instance().requestCount() - requestsBefore) /
        double(state.iterations());
}

void naturalSortRaw(benchmark::State &state)
{
    const QString url = apiUrl("model-service/projects/p1/models?auth=read&expand=true");
    for (auto _ : state) {
        QList<VHModel> models = rawList<VHModel>(rawGet(url), rawModel);
        std::sort(models.begin(), models.end(), [](const VHModel &a, const VHModel &b) {
            return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
        });
        expect(state, models.size() == sizes.catalogueModels, "models missing");
    }
}

void naturalSortLibrary(benchmark::State &state, Backend backend)
{
    VHPrimaryData &facade = library(backend);
    for (auto _ : state) {
        QList<VHModel> models;
        const bool ok = facade.getProjectModels(models, false);
        expect(state, ok && models.size() == sizes.catalogueModels, "getProjectModels failed");
    }
}

// The sorts alone, over the same names.
QList<VHModel> catalogueNames()
{
    QList<VHModel> models;
    for (int i = 0; i < sizes.catalogueModels; ++i) {
        VHModel m;
        m.name = QStringLiteral("Level %1 - Beam %2").arg((i * 7919) % 200).arg(i % 500);
        models.append(m);
    }
    return models;
}

void sortOnlyCompare(benchmark::State &state)
{
    const QList<VHModel> names = catalogueNames();
    for (auto _ : state) {
        QList<VHModel> models = names;
        std::sort(models.begin(), models.end(), [](const VHModel &a, const VHModel &b) {
            return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
        });
    }
}

void sortOnlyNatural(benchmark::State &state)
{
    const QList<VHModel> names = catalogueNames();
    for (auto _ : state) {
        QList<VHModel> models = names;
        std::sort(models.begin(), models.end(), [](const VHModel &a, const VHModel &b) {
            return VHPub::naturalSort(a.name, b.name, Qt::CaseInsensitive);
        });
    }
}

QStringList catalogueIds()
{
    QStringList ids;
    for (int i = 0; i < sizes.catalogueModels; ++i)
        ids.append(
            QString::fromStdString(BenchServer::modelId((i * 7919) % sizes.catalogueModels)));
    return ids;
}

void cacheHitRaw(benchmark::State &state)
{
    const QString url = apiUrl("model-service/projects/p1/models?auth=read&expand=true");
    QMap<QString, VHModel> cache;
    for (const VHModel &model : rawList<VHModel>(rawGet(url), rawModel))
        cache.insert(model.id, model);
    const QStringList ids = catalogueIds();
    for (auto _ : state) {
        int found = 0;
        for (const QString &id : ids) {
            VHModel model;
            const auto it = cache.constFind(id);
            if (it != cache.constEnd()) {
                model = *it;
                ++found;
            }
            benchmark::DoNotOptimize(model.name);
        }
        expect(state, found == ids.size(), "models missing");
    }
}

void cacheHitLibrary(benchmark::State &state)
{
    VHPrimaryData &facade = library(Backend::Curl);
    QList<VHModel> models;
    facade.getProjectModels(models, false);
    const QStringList ids = catalogueIds();
    const quint64 requestsBefore = NetworkManager::instance().requestCount();
    for (auto _ : state) {
        int found = 0;
        for (const QString &id : ids) {
            VHModel model;
            found += facade.getModelById(id, model, true);
            benchmark::DoNotOptimize(model.name);
        }
        expect(state, found == ids.size(), "models missing");
    }
    expect(state, NetworkManager::instance().requestCount() == requestsBefore, "cache missed");
}

void uploadCurlCommand(benchmark::State &state)
{
    for (auto _ : state) {
        const int exit = QProcess::execute(
            QStringLiteral("curl"),
            {QStringLiteral("-sS"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
             QStringLiteral("-T"), uploadPath, sink->address() + QLatin1String("/upload")});
        expect(state, exit == 0 && sink->takeReceivedBytes() >= quint64(sizes.uploadBytes),
               "curl -T failed");
    }
    state.SetBytesProcessed(state.iterations() * sizes.uploadBytes);
}

void uploadLibrary(benchmark::State &state, Backend backend)
{
    VHPrimaryData &facade = library(backend);
    VHBaseApi::GetInstance().setIp(sink->address());
    VHUploadDNG upload;
    upload.projectId = QStringLiteral("p1");
    upload.name = QStringLiteral("Tower B structure");
    upload.firstTagId = QStringLiteral("t1");
    upload.filePath = uploadPath;
    for (auto _ : state) {
        const qint64 start = startPeakWatch();
        const bool ok = facade.uploadModelDNG(upload);
        state.counters["peak_MiB"] = peakGrowthMiB(start);
        expect(state, ok && sink->takeReceivedBytes() >= quint64(sizes.uploadBytes),
               "upload failed");
    }
    VHBaseApi::GetInstance().setIp(server->address());
    state.SetBytesProcessed(state.iterations() * sizes.uploadBytes);
}

// The sparse upload file, read through once so that every upload case finds
// its pages in the page cache rather than the first one paying to fill it.
bool createUploadFile()
{
    uploadPath = QDir::temp().filePath(QStringLiteral("vhpd-bench-upload.dng"));
    QFile file(uploadPath);
    if (!file.open(QIODevice::ReadWrite) || !file.resize(sizes.uploadBytes))
        return false;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    while (file.read(chunk.data(), chunk.size()) > 0) {
    }
    return true;
}

// --- Registration and the ratio table ----------------------------------------

const char *backendName(Backend backend)
{
    return backend == Backend::Qt ? "qt" : "curl";
}

void registerCases(bool withUpload)
{
    const auto add = [](const std::string &name, auto function) {
        return benchmark::RegisterBenchmark(name.c_str(), function)
            ->Iterations(1)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    };
    add("call_overhead/raw_qt", callOverheadRaw);
    for (Backend b : {Backend::Qt, Backend::Curl})
        add(std::string("call_overhead/lib_") + backendName(b),
            [b](benchmark::State &s) { callOverheadLibrary(s, b); });

    add("large_page/raw_qt", [](benchmark::State &s) { largePageRaw(s, false); });
    for (Backend b : {Backend::Qt, Backend::Curl})
        add(std::string("large_page/lib_") + backendName(b),
            [b](benchmark::State &s) { largePageLibrary(s, b, false); });
    add("large_page_gzip/raw_qt", [](benchmark::State &s) { largePageRaw(s, true); });
    for (Backend b : {Backend::Qt, Backend::Curl})
        add(std::string("large_page_gzip/lib_") + backendName(b),
            [b](benchmark::State &s) { largePageLibrary(s, b, true); });

    for (Backend b : {Backend::Qt, Backend::Curl}) {
        // A thousand POSTs over Qt's sockets wait about 40 s on delayed
        // acknowledgements; one repetition of that tells enough.
        add(std::string("write_call/lib_get_") + backendName(b),
            [b](benchmark::State &s) { writeCallGet(s, b); });
        auto *post = add(std::string("write_call/lib_post_") + backendName(b),
                         [b](benchmark::State &s) { writeCallPost(s, b); });
        if (b == Backend::Qt)
            post->Repetitions(1);
    }

    add("batches/raw_qt", batchesRaw);
    for (Backend b : {Backend::Qt, Backend::Curl})
        add(std::string("batches/lib_") + backendName(b),
            [b](benchmark::State &s) { batchesLibrary(s, b); });

    add("natural_sort/raw_qt", naturalSortRaw);
    for (Backend b : {Backend::Qt, Backend::Curl})
        add(std::string("natural_sort/lib_") + backendName(b),
            [b](benchmark::State &s) { naturalSortLibrary(s, b); });
    add("natural_sort/sort_compare", sortOnlyCompare);
    add("natural_sort/sort_natural", sortOnlyNatural);

    add("cache_hit/raw_qmap", cacheHitRaw);
    add("cache_hit/lib", cacheHitLibrary);

    if (withUpload) {
        add("upload/curl_T", uploadCurlCommand);
        for (Backend b : {Backend::Qt, Backend::Curl})
            add(std::string("upload/lib_") + backendName(b),
                [b](benchmark::State &s) { uploadLibrary(s, b); });
    }
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Keeps every repetition's time and counters, so that the medians can be
// divided after the run whatever the repetition count of each case.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    struct Figures
    {
        std::vector<double> ms;
        std::map<std::string, std::vector<double>> counters;
    };

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            if (run.error_occurred) {
                ++errors;
                continue;
            }
            Figures &figures = results[run.run_name.function_name];
            figures.ms.push_back(run.GetAdjustedRealTime());
            for (const auto &counter : run.counters)
                figures.counters[counter.first].push_back(counter.second.value);
        }
    }

    double ms(const std::string &name) const
    {
        const auto found = results.find(name);
        return found == results.end() ? 0 : median(found->second.ms);
    }
    double counter(const std::string &name, const std::string &key) const
    {
        const auto found = results.find(name);
        if (found == results.end())
            return 0;
        const auto values = found->second.counters.find(key);
        return values == found->second.counters.end() ? 0 : median(values->second);
    }

    std::map<std::string, Figures> results;
    int errors = 0;
};

// Targets met and missed, per transport backend.
struct Tally
{
    int met = 0;
    int missed = 0;
    void add(bool held) { ++(held ? met : missed); }
};

// One line of the summary: the library's median over its baseline's. Adds
// the verdict to `tally` when both sides were run.
void ratioLine(const RatioReporter &r, const std::string &caseName, const std::string &lib,
               const std::string &base, double target, Tally &tally, bool higherIsBetter = false)
{
    const double libMs = r.ms(caseName + "/" + lib), baseMs = r.ms(caseName + "/" + base);
    if (libMs <= 0 || baseMs <= 0)
        return;
    const double ratio = higherIsBetter ? baseMs / libMs : libMs / baseMs;
    const bool met = higherIsBetter ? ratio >= target : ratio <= target;
    tally.add(met);
    std::printf("%-16s %-14s %10.1f ms  %-14s %10.1f ms  %6.3f  %s %.2f  %s\n", caseName.c_str(),
                lib.c_str(), libMs, base.c_str(), baseMs, ratio,
                higherIsBetter ? ">=" : "<=", target, met ? "met" : "MISSED");
}

void memoryLine(const std::string &caseName, const std::string &lib, double libMiB,
                const std::string &base, double limitMiB, Tally &tally)
{
    const bool met = libMiB > 0 && libMiB <= limitMiB;
    tally.add(met);
    std::printf("%-16s %-14s peak +%7.1f MiB  %-14s limit %7.1f MiB  %s\n", caseName.c_str(),
                lib.c_str(), libMiB, base.c_str(), limitMiB, met ? "met" : "MISSED");
}

void printSummary(const RatioReporter &r)
{
    std::map<std::string, Tally> tallies;
    std::printf("\nMedians and ratios (library / baseline; upload: throughput ratio)\n");
    for (const char *b : {"qt", "curl"}) {
        const std::string lib = std::string("lib_") + b;
        Tally &tally = tallies[b];
        ratioLine(r, "call_overhead", lib, "raw_qt", 1.05, tally);
        ratioLine(r, "large_page", lib, "raw_qt", 1.0, tally);
        ratioLine(r, "large_page_gzip", lib, "raw_qt", 1.0, tally);
        ratioLine(r, "write_call", std::string("lib_post_") + b, std::string("lib_get_") + b, 1.2,
                  tally);
        ratioLine(r, "batches", lib, "raw_qt", 1.10, tally);
        ratioLine(r, "natural_sort", lib, "raw_qt", 3.0, tally);
        ratioLine(r, "upload", lib, "curl_T", 0.5, tally, true);
    }
    // These two do not depend on the transport.
    Tally shared;
    ratioLine(r, "natural_sort", "sort_natural", "sort_compare", 3.0, shared);
    ratioLine(r, "cache_hit", "lib", "raw_qmap", 1.5, shared);

    std::printf("\nPeak memory growth during one call\n");
    if (r.ms("large_page/raw_qt") > 0) {
        const double base = probePeakMiB("raw_qt");
        for (const char *b : {"qt", "curl"})
            memoryLine("large_page", std::string("lib_") + b,
                       probePeakMiB((std::string("lib_") + b).c_str()), "raw_qt", base, tallies[b]);
    }
    for (const char *b : {"qt", "curl"}) {
        const std::string lib = std::string("upload/lib_") + b;
        if (r.ms(lib) > 0)
            memoryLine("upload", lib.substr(7), r.counter(lib, "peak_MiB"), "(fixed)", 64,
                       tallies[b]);
    }

    std::printf("\nConnections (target: one kept-alive connection for all batches)\n");
    for (const char *b : {"raw_qt", "lib_qt", "lib_curl"}) {
        const double connections = r.counter(std::string("batches/") + b, "connections");
        if (connections <= 0)
            continue;
        std::printf("batches          %-14s %.0f requests over %.0f connection(s)\n", b,
                    r.counter(std::string("batches/") + b, "requests"), connections);
        if (std::strncmp(b, "lib_", 4) == 0)
            tallies[b + 4].add(connections == 1);
    }

    std::printf("\nTargets held\n");
    for (const char *b : {"qt", "curl"}) {
        const Tally &tally = tallies[b];
        const int met = tally.met + shared.met, all = met + tally.missed + shared.missed;
        std::printf("%-5s backend%s: %d of %d met\n", b,
                    (b == std::string("curl")) == (NetworkManager::DefaultBackend == Backend::Curl)
                        ? " (the default)"
                        : "",
                    met, all);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIntValue("VHPD_BENCH_SMOKE") != 0)
        sizes = Sizes::smoke();
    const std::string probe =
        argc > 1 && std::strncmp(argv[1], PeakProbeOption, std::strlen(PeakProbeOption)) == 0
            ? std::string(argv[1] + std::strlen(PeakProbeOption))
            : std::string();
    if (probe.empty())
        benchmark::Initialize(&argc, argv);

    const bool withUpload =
        probe.empty() && qEnvironmentVariableIntValue("VHPD_BENCH_NO_UPLOAD") == 0;
    BenchServer loopback(sizes.pageEntities, probe.empty() ? sizes.catalogueModels : 0);
    server = &loopback;
    QNetworkAccessManager raw;
    rawClient = &raw;

    VHBaseApi::GetInstance().setIp(loopback.address());
    VHBaseApi::GetInstance().setApiVer(QStringLiteral("v1/"));
    NetworkManager::instance().setTimeout(120000);
    GetSoftCache()->setCurrentProjectId(QStringLiteral("p1"));
    GetSoftCache()->setCurrentUserId(QStringLiteral("u1"));
    if (!probe.empty())
        return runPeakProbe(probe);

    UploadSink uploadSink;
    sink = &uploadSink;
    if (withUpload && !createUploadFile())
        return 1;

    registerCases(withUpload);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter);
    NetworkManager::instance().closeConnections();
    if (withUpload)
        QFile::remove(uploadPath);
    benchmark::Shutdown();
    // A case that could not do its work fails the run; a slow one never does.
    return reporter.errors == 0 ? 0 : 1;
}
