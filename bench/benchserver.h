#ifndef VHPD_BENCHSERVER_H
#define VHPD_BENCHSERVER_H

#include <QString>

#include <memory>
#include <string>

// A loopback HTTP server that answers every benchmark request from replies
// built in memory beforehand, so that what is measured is the client. It sets
// TCP_NODELAY on its own sockets and leaves the system's delayed
// acknowledgements as they are.
class BenchServer
{
public:
    // Builds `entities` entities for the page and `models` models for the
    // catalogue, then starts listening on 127.0.0.1.
    BenchServer(int entities, int models);
    ~BenchServer();
    BenchServer(const BenchServer &) = delete;
    BenchServer &operator=(const BenchServer &) = delete;

    QString address() const; // "http://127.0.0.1:<port>"
    // The same user over HTTPS, with a certificate for 127.0.0.1 signed by
    // the authority in caPath(); "https://127.0.0.1:<port>". With
    // `closeEach`, the server closes every connection after one reply, so
    // that each request pays for a new TLS connection.
    QString tlsAddress(bool closeEach) const;
    static QString caPath();

    // The id of the i-th model of the catalogue.
    static std::string modelId(int i);
    static std::string userId() { return "5f0c00000000000000000001"; }

    std::size_t entityPageBytes() const;
    std::size_t modelSetReplyBytes() const;

    // The entity page is sent gzip-compressed to clients that accept it.
    void setCompressPage(bool compress);
    // Connections seen since the last reset, told apart by the client's port.
    void resetConnectionCount();
    int connectionCount() const;

private:
    struct State;
    std::unique_ptr<State> d;
};

#endif // VHPD_BENCHSERVER_H
