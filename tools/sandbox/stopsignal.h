#ifndef VHPD_SANDBOX_STOPSIGNAL_H
#define VHPD_SANDBOX_STOPSIGNAL_H

// How the sandbox learns that it should stop: SIGINT or SIGTERM on POSIX,
// Ctrl-C, Ctrl-Break or the console closing on Windows.
namespace StopSignal {

// Call first thing in main(), before any thread starts: on POSIX the stop
// signals are blocked in every thread to come, so that the server's threads
// never see them and wait() collects them.
void prepare();
// Blocks until a stop signal arrives.
void wait();
// This process's id, for the "kill <pid>" hint.
long long processId();

} // namespace StopSignal

#endif // VHPD_SANDBOX_STOPSIGNAL_H
