#include "stopsignal.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstring>
#include <pthread.h>
#include <unistd.h>
#endif

namespace StopSignal {

#ifdef _WIN32

namespace {

HANDLE g_stopped = nullptr;

// The stop event of the sandbox with process id `pid`, named in the user's
// session; its default access list lets only that user set it.
std::wstring eventName(long long pid)
{
    return L"Local\\vhpd-sandbox-stop-" + std::to_wstring(pid);
}

// Runs on a thread of the system's; main() does the stopping.
BOOL WINAPI onConsoleControl(DWORD)
{
    SetEvent(g_stopped);
    return TRUE;
}

} // namespace

void prepare()
{
    g_stopped = CreateEventW(nullptr, TRUE, FALSE, eventName(processId()).c_str());
    if (!g_stopped)
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

std::string stopHint()
{
    return "vhpd-sandbox --stop " + std::to_string(processId());
}

bool request(long long pid, std::string &error)
{
    const HANDLE stop = OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName(pid).c_str());
    if (!stop) {
        error = "no sandbox of this user has the process id " + std::to_string(pid);
        return false;
    }
    const bool set = SetEvent(stop) != 0;
    CloseHandle(stop);
    if (!set)
        error = "cannot stop the sandbox " + std::to_string(pid);
    return set;
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

std::string stopHint()
{
    return "kill " + std::to_string(processId());
}

bool request(long long pid, std::string &error)
{
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), SIGTERM) != 0) {
        error = "cannot stop process " + std::to_string(pid) + ": " +
                (pid <= 0 ? "not a process id" : std::strerror(errno));
        return false;
    }
    return true;
}

#endif

} // namespace StopSignal
