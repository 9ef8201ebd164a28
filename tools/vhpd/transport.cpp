#include "transport.h"

#include "output.h"
#include "terminal.h"

#include <VHNetwork.h>

#include <cstdio>

UploadProgress::UploadProgress(qint64 fileSize)
    : m_fileSize(fileSize)
    , m_terminal(Terminal::isTerminal(stderr))
{
    m_clock.start();
    if (!m_terminal)
        return;
    connect(&NetworkManager::instance(), &NetworkManager::uploadProgress, this,
            &UploadProgress::draw);
    connect(&m_timer, &QTimer::timeout, this, &UploadProgress::spin);
    m_timer.start(100);
}

UploadProgress::~UploadProgress()
{
    if (m_drawn) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

// Until the transport reports progress (the connection may take a while),
// a spinner with the file's size and the time so far.
void UploadProgress::spin()
{
    if (m_progressSeen)
        return;
    static const char spinner[] = "|/-\\";
    const QString line = QStringLiteral("\r%1 sending %2 (%3 s)")
                             .arg(QLatin1Char(spinner[m_frame++ % 4]))
                             .arg(Output::bytes(m_fileSize))
                             .arg(m_clock.elapsed() / 1000);
    std::fputs(line.toUtf8().constData(), stderr);
    std::fflush(stderr);
    m_drawn = true;
}

void UploadProgress::draw(qint64 sent, qint64 total)
{
    if (total <= 0)
        total = m_fileSize;
    if (total <= 0)
        return;
    // At most ten redraws a second, and the last one always.
    if (sent < total && m_lastDraw.isValid() && m_lastDraw.elapsed() < 100)
        return;
    m_lastDraw.start();
    constexpr int width = 30;
    const int filled = int(qMin<qint64>(width, sent * width / total));
    const QString line = QStringLiteral("\r[%1%2] %3% %4 of %5")
                             .arg(QString(filled, QLatin1Char('#')))
                             .arg(QString(width - filled, QLatin1Char('.')))
                             .arg(int(sent * 100 / total), 3)
                             .arg(Output::bytes(sent), Output::bytes(total));
    std::fputs(line.toUtf8().constData(), stderr);
    std::fflush(stderr);
    m_drawn = true;
    m_progressSeen = true;
}
