#pragma once
// ZIP and LZH files written by the tests byte by byte, so that their names
// can be raw Shift-JIS bytes and their headers can lie.

#include <QByteArray>
#include <QList>

namespace TestArchives {

struct TEntry
{
    QByteArray Name; // raw bytes
    QByteArray Data;
};

inline quint32 Crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : data) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline quint16 Crc16(const QByteArray &data) // the CRC of LHA (ARC)
{
    quint16 crc = 0;
    for (char c : data) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = quint16((crc >> 1) ^ (0xA001u & (0u - (crc & 1u))));
    }
    return crc;
}

inline void Put16(QByteArray &out, quint32 v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
inline void Put32(QByteArray &out, quint32 v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A ZIP file. method 0 stores Data; method 8 takes Data as a raw deflate
// stream whose unpacked size and CRC are claimed as given. flags: bit 0
// encrypted, bit 11 names in UTF-8.
struct TZipEntry
{
    QByteArray Name;
    QByteArray Data;
    quint16 Flags = 0;
    quint16 Method = 0;
    quint32 ClaimedSize = 0xFFFFFFFFu; // unpacked size; all ones: Data's size
    quint32 ClaimedCrc = 0;
};

inline QByteArray Zip(const QList<TZipEntry> &entries)
{
    QByteArray out, central;
    for (const TZipEntry &e : entries) {
        const quint32 offset = quint32(out.size());
        const quint32 size = e.ClaimedSize == 0xFFFFFFFFu ? quint32(e.Data.size()) : e.ClaimedSize;
        const quint32 crc = e.Method == 0 ? Crc32(e.Data) : e.ClaimedCrc;
        auto header = [&](QByteArray &to, bool centralEntry) {
            Put32(to, centralEntry ? 0x02014b50 : 0x04034b50);
            if (centralEntry)
                Put16(to, 20); // made by
            Put16(to, 20);     // needed
            Put16(to, e.Flags);
            Put16(to, e.Method);
            Put16(to, 0);      // time
            Put16(to, 0x5821); // date 2024-01-01
            Put32(to, crc);
            Put32(to, quint32(e.Data.size()));
            Put32(to, size);
            Put16(to, quint32(e.Name.size()));
            Put16(to, 0); // extra
            if (centralEntry) {
                Put16(to, 0); // comment
                Put16(to, 0); // disk
                Put16(to, 0); // internal attributes
                Put32(to, 0); // external attributes
                Put32(to, offset);
            }
            to += e.Name;
        };
        header(out, false);
        out += e.Data;
        header(central, true);
    }
    const quint32 centralAt = quint32(out.size());
    out += central;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, quint32(entries.size()));
    Put16(out, quint32(entries.size()));
    Put32(out, quint32(central.size()));
    Put32(out, centralAt);
    Put16(out, 0);
    return out;
}

// An LZH file of stored (-lh0-) members with level-0 headers.
inline QByteArray Lzh(const QList<TEntry> &entries)
{
    QByteArray out;
    for (const TEntry &e : entries) {
        QByteArray h;
        h += "-lh0-";
        Put32(h, quint32(e.Data.size())); // packed
        Put32(h, quint32(e.Data.size())); // original
        Put32(h, 0x58210000);             // MS-DOS time and date
        h += char(0x20);                  // attribute
        h += char(0);                     // level 0
        h += char(e.Name.size());
        h += e.Name;
        Put16(h, Crc16(e.Data));
        quint8 sum = 0;
        for (char c : h)
            sum = quint8(sum + static_cast<unsigned char>(c));
        out += char(h.size());
        out += char(sum);
        out += h;
        out += e.Data;
    }
    out += char(0);
    return out;
}

} // namespace TestArchives
