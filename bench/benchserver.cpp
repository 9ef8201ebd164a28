#include "benchserver.h"

#include <httplib.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

std::string hexId(unsigned prefix, int i)
{
    char text[32];
    std::snprintf(text, sizeof text, "%08x%016x", prefix, unsigned(i));
    return text;
}

// A time stamp in the server's format, spread over a few years so that
// dates, leap days included, differ from record to record.
std::string timeStamp(int i)
{
    const int day = i % 1461; // four years of days
    static const int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int year = 2020 + day / 366, dayOfYear = day % 366, month = 0;
    while (dayOfYear >= monthDays[month]) {
        dayOfYear -= monthDays[month];
        ++month;
    }
    if (month == 1 && dayOfYear == 28 && year % 4 != 0)
        year = 2024;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", year, month + 1,
                  dayOfYear + 1, i % 24, i % 60, (i * 7) % 60, i % 1000);
    return text;
}

std::string entityJson(int i)
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "{\"_id\":\"%s\",\"uuid\":\"3f2504e0-4f89-11d3-9a0c-%012x\",\"modelId\":\"%s\","
                  "\"model\":\"Tower B structure\",\"qrCode\":\"QR%08d\",\"printed\":%s,"
                  "\"name\":\"Beam %d\",\"entityId\":\"%d\",\"floor\":\"Level %d\","
                  "\"category\":%d,\"domain\":%d,\"printedAt\":\"%s\",\"printedBy\":\"%s\"}",
                  hexId(0xe0000000, i).c_str(), unsigned(i), hexId(0x5f0d0000, i % 40).c_str(), i,
                  i % 3 ? "true" : "false", i, 100000 + i, i % 40, i % 97, i % 7,
                  timeStamp(i).c_str(), BenchServer::userId().c_str());
    return text;
}

std::string modelJson(int i)
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "{\"_id\":\"%s\",\"name\":\"Level %d - Beam %d\",\"authorized\":%s,"
                  "\"modelFile\":\"files/%d.dng\",\"remark\":\"\",\"modelSize\":%d,\"version\":%d,"
                  "\"preprocessed\":2,\"tags\":[\"%s\"],\"updatedAt\":\"%s\",\"updatedBy\":\"%s\"}",
                  BenchServer::modelId(i).c_str(), (i * 7919) % 200, i % 500,
                  i % 10 ? "true" : "false", i, 1000 + i, 1 + i % 5,
                  hexId(0x7a000000, i % 8).c_str(), timeStamp(i).c_str(),
                  BenchServer::userId().c_str());
    return text;
}

std::string gzip(const std::string &text)
{
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, uLong(text.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text.data()));
    stream.avail_in = uInt(text.size());
    stream.next_out = reinterpret_cast<Bytef *>(&out[0]);
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// The quoted 24-character ids of a "where" document.
std::vector<std::string> quotedIds(const std::string &where)
{
    std::vector<std::string> ids;
    std::size_t at = 0;
    while ((at = where.find('"', at)) != std::string::npos) {
        const std::size_t end = where.find('"', at + 1);
        if (end == std::string::npos)
            break;
        if (end - at - 1 == 24)
            ids.push_back(where.substr(at + 1, 24));
        at = end + 1;
    }
    return ids;
}

// With a parameter the content type no longer matches the types the server
// compresses on the fly, so replies go out as they were built.
const char *const JsonType = "application/json; charset=utf-8";

// Sends a large reply built beforehand straight from where it lies:
// set_content would copy a 33 MiB page on the server's side of every
// measured call. (Small replies are copied: that lets the server send the
// head and the body in one segment.)
void sendBuilt(httplib::Response &response, const std::string &body)
{
    response.set_content_provider(
        body.size(), JsonType,
        [&body](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
            sink.write(body.data() + offset, std::min(length, body.size() - offset));
            return true;
        });
}

} // namespace

struct BenchServer::State
{
    httplib::Server server;
    std::thread thread;
    int port = 0;
    // Connections kept alive, and closed after every reply.
    std::unique_ptr<httplib::SSLServer> tls[2];
    std::thread tlsThreads[2];
    int tlsPorts[2] = {0, 0};
    std::string user;
    std::string entityPage;
    std::string entityPageGzip;
    std::string modelList;
    std::unordered_map<std::string, std::string> modelsById;
    std::string modelSet;
    std::string tags;
    std::string tagTypes;
    std::atomic<bool> compressPage{false};
    mutable std::mutex mutex;
    std::set<std::pair<std::string, int>> clients;

    void seen(const httplib::Request &request)
    {
        std::lock_guard<std::mutex> lock(mutex);
        clients.emplace(request.remote_addr, request.remote_port);
    }
};

std::string BenchServer::modelId(int i)
{
    return hexId(0x5f0e0000, i);
}

BenchServer::BenchServer(int entities, int models)
    : d(new State)
{
    d->user = "{\"_id\":\"" + userId() +
              "\",\"name\":\"Zhang Wei\",\"nickName\":\"zw\",\"avatar\":"
              "\"https://cdn.example.com/avatars/5f0c00000000000000000001.png\",\"phoneNumber\":"
              "\"+86 138 0013 8000\",\"signature\":\"Site engineer, Tower B\",\"visible\":true,"
              "\"email\":\"zhang.wei@example.com\",\"createdAt\":\"2021-03-04T05:06:07.089Z\"}";
    d->entityPage.reserve(std::size_t(entities) * 330 + 2);
    d->entityPage += '[';
    for (int i = 0; i < entities; ++i) {
        if (i)
            d->entityPage += ',';
        d->entityPage += entityJson(i);
    }
    d->entityPage += ']';
    d->entityPageGzip = gzip(d->entityPage);
    d->modelList += '[';
    for (int i = 0; i < models; ++i) {
        std::string model = modelJson(i);
        if (i)
            d->modelList += ',';
        d->modelList += model;
        d->modelsById.emplace(modelId(i), std::move(model));
    }
    d->modelList += ']';
    d->modelSet = "{\"_id\":\"" + hexId(0x5f0f0000, 1) +
                  "\",\"name\":\"Structure of Tower B\",\"modelIds\":[\"" + modelId(1) + "\",\"" +
                  modelId(2) + "\"],\"createdAt\":\"2023-04-05T06:07:08.123Z\",\"createdBy\":\"" +
                  userId() + "\"}";
    // The eight tags the models carry, in two types.
    d->tagTypes = "[{\"_id\":\"" + hexId(0x7b000000, 0) +
                  "\",\"name\":\"Discipline\",\"default\":true}," + "{\"_id\":\"" +
                  hexId(0x7b000000, 1) + "\",\"name\":\"Phase\"}]";
    d->tags = "[";
    for (int i = 0; i < 8; ++i)
        d->tags += std::string(i ? "," : "") + "{\"_id\":\"" + hexId(0x7a000000, i) +
                   "\",\"name\":\"Tag " + std::to_string(i) + "\",\"type\":\"" +
                   hexId(0x7b000000, i % 2) + "\"}";
    d->tags += "]";

    httplib::Server &server = d->server;
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(1000000);
    server.set_keep_alive_timeout(30);
    server.set_payload_max_length(std::size_t(-1));
    server.set_read_timeout(60);
    server.set_write_timeout(60);

    const auto json = [this](const std::string &body) {
        return [this, &body](const httplib::Request &request, httplib::Response &response) {
            d->seen(request);
            response.set_content(body, JsonType);
        };
    };
    server.Get("/v1/account-service/users/.*", json(d->user));
    server.Get("/v1/model-service/model_sets/.*", json(d->modelSet));
    server.Post("/v1/model-service/model_sets", json(d->modelSet));
    server.Get("/v1/model-service/projects/p1/model_tags", json(d->tags));
    server.Get("/v1/model-service/projects/p1/model_tag_types", json(d->tagTypes));
    server.Get("/v1/model-service/projects/p1/entities", [this](const httplib::Request &request,
                                                                httplib::Response &response) {
        d->seen(request);
        if (d->compressPage &&
            request.get_header_value("Accept-Encoding").find("gzip") != std::string::npos) {
            response.set_header("Content-Encoding", "gzip");
            sendBuilt(response, d->entityPageGzip);
        } else {
            sendBuilt(response, d->entityPage);
        }
    });
    server.Get("/v1/model-service/projects/p1/models",
               [this](const httplib::Request &request, httplib::Response &response) {
                   d->seen(request);
                   if (!request.has_param("where")) {
                       sendBuilt(response, d->modelList);
                       return;
                   }
                   std::string body = "[";
                   for (const std::string &id : quotedIds(request.get_param_value("where"))) {
                       const auto found = d->modelsById.find(id);
                       if (found == d->modelsById.end())
                           continue;
                       if (body.size() > 1)
                           body += ',';
                       body += found->second;
                   }
                   body += ']';
                   response.set_content(body, JsonType);
               });

    d->port = server.bind_to_any_port("127.0.0.1");
    d->thread = std::thread([this] { d->server.listen_after_bind(); });

    const std::string tlsDir = VHPD_BENCH_TLS_DIR;
    for (int closeEach = 0; closeEach < 2; ++closeEach) {
        auto &tls = d->tls[closeEach];
        tls = std::make_unique<httplib::SSLServer>((tlsDir + "/server.pem").c_str(),
                                                   (tlsDir + "/server.key").c_str());
        tls->set_tcp_nodelay(true);
        tls->set_keep_alive_max_count(closeEach ? 1 : 1000000);
        tls->Get("/v1/account-service/users/.*", json(d->user));
        d->tlsPorts[closeEach] = tls->bind_to_any_port("127.0.0.1");
        d->tlsThreads[closeEach] = std::thread([&tls] { tls->listen_after_bind(); });
    }
    while (!server.is_running() || !d->tls[0]->is_running() || !d->tls[1]->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

BenchServer::~BenchServer()
{
    d->server.stop();
    d->thread.join();
    for (int closeEach = 0; closeEach < 2; ++closeEach) {
        d->tls[closeEach]->stop();
        d->tlsThreads[closeEach].join();
    }
}

QString BenchServer::tlsAddress(bool closeEach) const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(d->tlsPorts[closeEach ? 1 : 0]);
}

QString BenchServer::caPath()
{
    return QStringLiteral(VHPD_BENCH_TLS_DIR "/ca.pem");
}

QString BenchServer::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(d->port);
}

std::size_t BenchServer::entityPageBytes() const
{
    return d->entityPage.size();
}

std::size_t BenchServer::modelSetReplyBytes() const
{
    return d->modelSet.size();
}

void BenchServer::setCompressPage(bool compress)
{
    d->compressPage = compress;
}

void BenchServer::resetConnectionCount()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->clients.clear();
}

int BenchServer::connectionCount() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return int(d->clients.size());
}
