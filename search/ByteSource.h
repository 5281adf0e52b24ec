#pragma once
// A stream of bytes that is not a file of its own: the data of an archive
// member, read as it is unpacked.

#include <QtGlobal>

class TByteSource
{
public:
    virtual ~TByteSource() = default;
    // Up to size bytes into to; 0 at the end (or after a failure, which
    // the source keeps to itself for its owner to report).
    virtual qint64 Read(char *to, qint64 size) = 0;
    // Back to the first byte; false when that cannot be done.
    virtual bool Rewind() = 0;
};
