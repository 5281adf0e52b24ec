#include "PeerUser.h"

#include <sys/socket.h>
#include <unistd.h>

bool TPeerUser::IsSameUser(qintptr socketDescriptor)
{
    if (socketDescriptor < 0)
        return false;
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    return size == sizeof credentials && credentials.uid == ::geteuid();
}
