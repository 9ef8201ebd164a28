#include "networknamespace.h"

#ifdef __linux__
#include <cstring>

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#ifdef __linux__

namespace {

bool bringLoopbackUp()
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return false;
    ifreq request;
    std::memset(&request, 0, sizeof request);
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (ok) {
        request.ifr_flags |= IFF_UP;
        ok = ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    close(fd);
    return ok;
}

} // namespace

bool isolateNetwork()
{
    // Root may make a network namespace directly; anyone else through a user
    // namespace of their own, where they hold the rights to configure it.
    if (unshare(CLONE_NEWNET) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
        return false;
    return bringLoopbackUp();
}

#else

// Network namespaces are Linux's; elsewhere the tests that need one skip.
bool isolateNetwork()
{
    return false;
}

#endif
