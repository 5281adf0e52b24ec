#include "FileFacts.h"

#include "LongPath.h"
#include "NativePath.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

// The name in a user or group record, through getpwuid_r or getgrgid_r
// (call), which want room for the record's strings: the size the system
// suggests (sizeName), grown while it says the room was too small. The
// number where there is no such record.
template <typename TRecord, typename TCall, typename TName>
QString RecordName(int sizeName, TCall call, TName name, unsigned long id)
{
    const long suggested = sysconf(sizeName);
    std::vector<char> buffer(suggested > 0 ? size_t(suggested) : 1024);
    TRecord record, *found = nullptr;
    int error;
    while ((error = call(&record, buffer.data(), buffer.size(), &found)) == ERANGE && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return error == 0 && found ? QString::fromLocal8Bit(name(*found)) : QString::number(id);
}

QString UserName(uid_t uid)
{
    return RecordName<passwd>(
        _SC_GETPW_R_SIZE_MAX,
        [uid](passwd *record, char *room, size_t size, passwd **found) { return getpwuid_r(uid, record, room, size, found); },
        [](const passwd &record) { return record.pw_name; }, uid);
}

QString GroupName(gid_t gid)
{
    return RecordName<group>(
        _SC_GETGR_R_SIZE_MAX,
        [gid](group *record, char *room, size_t size, group **found) { return getgrgid_r(gid, record, room, size, found); },
        [](const group &record) { return record.gr_name; }, gid);
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
