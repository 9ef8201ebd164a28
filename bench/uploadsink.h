#ifndef VHPD_UPLOADSINK_H
#define VHPD_UPLOADSINK_H

#include <QString>

#include <cstdint>
#include <memory>

// A loopback HTTP endpoint that takes any request body, counts its bytes and
// answers "{}". It reads the body as raw bytes, whatever its content type, so
// that a multipart upload costs the server no more than a plain one: the
// upload cases measure the sending side, and the server shares the
// machine's cores with it.
class UploadSink
{
public:
    UploadSink();
    ~UploadSink();
    UploadSink(const UploadSink &) = delete;
    UploadSink &operator=(const UploadSink &) = delete;

    QString address() const; // "http://127.0.0.1:<port>"

    // Body bytes received since the last call.
    std::uint64_t takeReceivedBytes();

private:
    struct State;
    std::unique_ptr<State> d;
};

#endif // VHPD_UPLOADSINK_H
