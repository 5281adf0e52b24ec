#pragma once

#include <QtGlobal>

// Whether the process at the other end of a connected local socket runs
// under the same user as this one, asked of the kernel (SO_PEERCRED), so a
// socket file planted by someone else under our name is never trusted.
class TPeerUser
{
public:
    static bool IsSameUser(qintptr socketDescriptor);
};
