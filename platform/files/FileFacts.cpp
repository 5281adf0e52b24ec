#include "FileFacts.h"

#include "LongPath.h"
#include "NativePath.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

// getpwuid_r/getgrgid_r want room for the record's strings; the size the
// system suggests, grown while it says the room was too small.
std::vector<char> NameBuffer(int which)
{
    const long suggested = sysconf(which);
    return std::vector<char>(suggested > 0 ? size_t(suggested) : 1024);
}

QString UserName(uid_t uid)
{
    std::vector<char> buffer = NameBuffer(_SC_GETPW_R_SIZE_MAX);
    struct passwd record, *found = nullptr;
    int error;
    while ((error = getpwuid_r(uid, &record, buffer.data(), buffer.size(), &found)) == ERANGE
           && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return error == 0 && found ? QString::fromLocal8Bit(found->pw_name) : QString::number(uid);
}

QString GroupName(gid_t gid)
{
    std::vector<char> buffer = NameBuffer(_SC_GETGR_R_SIZE_MAX);
    struct group record, *found = nullptr;
    int error;
    while ((error = getgrgid_r(gid, &record, buffer.data(), buffer.size(), &found)) == ERANGE
           && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return error == 0 && found ? QString::fromLocal8Bit(found->gr_name) : QString::number(gid);
}

} // namespace

std::optional<TFileFacts> TFileFacts::Of(const QString &path)
{
    struct stat st;
    const QByteArray native = TNativePath::Encode(path);
    if (native.isEmpty() || LongPath::Stat(native, st) != 0)
        return std::nullopt;
    TFileFacts facts;
    facts.Size = qint64(st.st_size);
    facts.Modified = QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
    facts.Mode = unsigned(st.st_mode) & 0777u;
    facts.Owner = UserName(st.st_uid);
    facts.Group = GroupName(st.st_gid);
    return facts;
}
