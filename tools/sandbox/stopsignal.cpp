#include "stopsignal.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <pthread.h>
#include <unistd.h>
#endif

namespace StopSignal {

#ifdef _WIN32

namespace {

HANDLE g_stopped = nullptr;

// Runs on a thread of the system's; main() does the stopping.
BOOL WINAPI onConsoleControl(DWORD)
{
    SetEvent(g_stopped);
    return TRUE;
}

} // namespace

void prepare()
{
    g_stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

void wait()
{
    WaitForSingleObject(g_stopped, INFINITE);
}

long long processId()
{
    return static_cast<long long>(GetCurrentProcessId());
}

#else

namespace {

sigset_t stopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

} // namespace

void prepare()
{
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void wait()
{
    const sigset_t signals = stopSignals();
    int received = 0;
    sigwait(&signals, &received);
}

long long processId()
{
    return static_cast<long long>(::getpid());
}

#endif

} // namespace StopSignal
