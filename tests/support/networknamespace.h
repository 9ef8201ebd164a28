#ifndef VHPD_NETWORKNAMESPACE_H
#define VHPD_NETWORKNAMESPACE_H

// Moves the calling process into a network namespace of its own in which only
// the loopback interface exists, and brings it up: loopback servers work as
// before, and a host name that is not in /etc/hosts fails to resolve without
// any query leaving the machine. Call it first thing in main(), while the
// process has one thread. False when the kernel refuses (neither root nor
// unprivileged user namespaces), and always on systems other than Linux.
bool isolateNetwork();

#endif // VHPD_NETWORKNAMESPACE_H
