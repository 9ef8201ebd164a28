#ifndef VHPD_CLI_TRANSPORT_H
#define VHPD_CLI_TRANSPORT_H

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Shows how a file upload advances on standard error while the library's
// blocking upload runs: a bar from the transport's upload progress signal,
// or a spinner with the bytes of the file until that signal is first seen.
// Draws only on a terminal.
class UploadProgress : public QObject
{
public:
    explicit UploadProgress(qint64 fileSize);
    ~UploadProgress() override;

private:
    void spin();
    void draw(qint64 sent, qint64 total);

    qint64 m_fileSize;
    bool m_terminal;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QElapsedTimer m_lastDraw;
    int m_frame = 0;
    bool m_drawn = false;
    bool m_progressSeen = false;
};

#endif // VHPD_CLI_TRANSPORT_H
