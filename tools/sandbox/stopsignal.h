#ifndef VHPD_SANDBOX_STOPSIGNAL_H
#define VHPD_SANDBOX_STOPSIGNAL_H

#include <string>

// How the sandbox learns that it should stop: SIGINT or SIGTERM on POSIX;
// Ctrl-C, Ctrl-Break, the console closing or a stop request on Windows, where
// nothing outside a console program's own console can signal it.
namespace StopSignal {

// Call first thing in main(), before any thread starts: on POSIX the stop
// signals are blocked in every thread to come, so that the server's threads
// never see them and wait() collects them.
void prepare();
// Blocks until a stop signal arrives.
void wait();
// This process's id, for the hint on how to stop it.
long long processId();
// How to stop this process from another console: "kill <pid>" on POSIX,
// "vhpd-sandbox --stop <pid>" on Windows.
std::string stopHint();
// Asks the sandbox with process id `pid` to stop, as its stop signals do;
// false, with `error` set, when no sandbox of this user has that id (on
// POSIX: no process of this user).
bool request(long long pid, std::string &error);

} // namespace StopSignal

#endif // VHPD_SANDBOX_STOPSIGNAL_H
