// Each case of the library measured beside the leanest hand-written Qt client
// doing the same work against the same loopback server, in the same process
// and run. Every case reports the median of its repetitions; the summary at
// the end (ratiosummary.h) divides each library median by its baseline's.

#include "benchserver.h"
#include "peakmemory.h"
#include "ratiosummary.h"
#include "rawclient.h"
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
#include <QSslCertificate>
#include <QSslConfiguration>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

// --- The library ------------------------------------------------------------

QString apiUrl(const char *path)
{
    return server->address() + QLatin1String("/v1/") + QLatin1String(path);
}

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
            const VHUser user =
                RawClient::user(QJsonDocument::fromJson(RawClient::get(*rawClient, url)).object());
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

// Every repetition of the large page, library or baseline, starts from a
// trimmed heap and pays for the memory it touches: otherwise a repetition
// that follows a case which trimmed the heap would pay for pages that
// another found still mapped.
void largePageRaw(benchmark::State &state, bool gzip)
{
    server->setCompressPage(gzip);
    const QString url = entityPageUrl();
    for (auto _ : state) {
        state.PauseTiming();
        trimHeap();
        state.ResumeTiming();
        const QList<VHEntity> entities =
            RawClient::list<VHEntity>(RawClient::get(*rawClient, url, !gzip), RawClient::entity);
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
        trimHeap();
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
            return RawClient::list<VHEntity>(RawClient::get(*rawClient, url), RawClient::entity)
                       .size() == sizes.pageEntities;
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
            models += RawClient::list<VHModel>(RawClient::get(*rawClient, url), RawClient::model);
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

// Requests for the user over HTTPS per repetition: each over a connection of
// its own, the server closing every connection after its reply (a TLS
// handshake each, the trusted authorities loaded or reused, a session resumed
// if the client can), or all over one kept alive.
constexpr int kTlsRequests = 20;

void tlsRaw(benchmark::State &state, bool fresh)
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.addCaCertificates(QSslCertificate::fromPath(BenchServer::caPath()));
    QNetworkAccessManager manager;
    QNetworkRequest request(server->tlsAddress(fresh) +
                            QLatin1String("/v1/account-service/users/") +
                            QString::fromStdString(BenchServer::userId()));
    request.setSslConfiguration(tls);
    for (auto _ : state) {
        bool ok = true;
        for (int i = 0; i < kTlsRequests; ++i) {
            QNetworkReply *reply = manager.get(request);
            QEventLoop loop;
            QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec();
            const VHUser user = RawClient::user(QJsonDocument::fromJson(reply->readAll()).object());
            ok = ok && reply->error() == QNetworkReply::NoError && !user.id.isEmpty();
            delete reply;
        }
        expect(state, ok, "GET over TLS failed");
    }
}

void tlsLibrary(benchmark::State &state, Backend backend, bool fresh)
{
    VHPrimaryData &facade = library(backend);
    VHBaseApi::GetInstance().setIp(server->tlsAddress(fresh));
    const QString id = QString::fromStdString(BenchServer::userId());
    for (auto _ : state) {
        bool ok = true;
        for (int i = 0; i < kTlsRequests; ++i) {
            VHUser user;
            ok = facade.getUser(id, user, true) && ok;
        }
        expect(state, ok, "getUser over TLS failed");
    }
    VHBaseApi::GetInstance().setIp(server->address());
}

void naturalSortRaw(benchmark::State &state)
{
    const QString url = apiUrl("model-service/projects/p1/models?auth=read&expand=true");
    for (auto _ : state) {
        QList<VHModel> models =
            RawClient::list<VHModel>(RawClient::get(*rawClient, url), RawClient::model);
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
    for (const VHModel &model :
         RawClient::list<VHModel>(RawClient::get(*rawClient, url), RawClient::model))
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

    // A repetition of the write calls or the batches lasts about a tenth of a
    // second, over which the scheduling of the client's and the server's
    // threads on two cores moves a single figure by up to 50 %; fifteen of
    // them give a median that holds from run to run.
    constexpr int ShortCaseRepetitions = 15;
    for (Backend b : {Backend::Qt, Backend::Curl}) {
        add(std::string("write_call/lib_get_") + backendName(b), [b](benchmark::State &s) {
            writeCallGet(s, b);
        })->Repetitions(ShortCaseRepetitions);
        // A thousand POSTs over Qt's sockets wait about 40 s on delayed
        // acknowledgements; one repetition of that tells enough.
        add(std::string("write_call/lib_post_") + backendName(b), [b](benchmark::State &s) {
            writeCallPost(s, b);
        })->Repetitions(b == Backend::Qt ? 1 : ShortCaseRepetitions);
    }

    add("batches/raw_qt", batchesRaw)->Repetitions(ShortCaseRepetitions);
    for (Backend b : {Backend::Qt, Backend::Curl})
        add(std::string("batches/lib_") + backendName(b), [b](benchmark::State &s) {
            batchesLibrary(s, b);
        })->Repetitions(ShortCaseRepetitions);

    for (const bool fresh : {true, false}) {
        const std::string group = fresh ? "tls_fresh/" : "tls_reused/";
        add(group + "raw_qt", [fresh](benchmark::State &s) {
            tlsRaw(s, fresh);
        })->Repetitions(ShortCaseRepetitions);
        for (Backend b : {Backend::Qt, Backend::Curl})
            add(group + "lib_" + backendName(b), [b, fresh](benchmark::State &s) {
                tlsLibrary(s, b, fresh);
            })->Repetitions(ShortCaseRepetitions);
    }

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
    NetworkManager::instance().addCaCertificates(QSslCertificate::fromPath(BenchServer::caPath()));
    if (!probe.empty())
        return runPeakProbe(probe);

    UploadSink uploadSink;
    sink = &uploadSink;
    if (withUpload && !createUploadFile())
        return 1;

    registerCases(withUpload);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(
        reporter, [](const std::string &side) { return probePeakMiB(side.c_str()); },
        NetworkManager::DefaultBackend == Backend::Curl ? "curl" : "qt");
    NetworkManager::instance().closeConnections();
    if (withUpload)
        QFile::remove(uploadPath);
    benchmark::Shutdown();
    // A case that could not do its work fails the run; a slow one never does.
    return reporter.errors == 0 ? 0 : 1;
}
