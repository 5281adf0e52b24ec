#pragma once
// What every fuzz target shares: a check that stops the run with a message
// (libFuzzer then keeps the input that broke it), and a reader that takes an
// input apart into the pieces a target needs.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__,      \
                         #condition);                                                      \
            std::abort();                                                                  \
        }                                                                                  \
    } while (false)

class TFuzzInput
{
public:
    TFuzzInput(const uint8_t *data, size_t size)
        : Rest(reinterpret_cast<const char *>(data), qsizetype(size))
    {
    }

    // One byte of flags; 0 once the input is used up.
    uint8_t Byte()
    {
        if (Rest.isEmpty())
            return 0;
        const uint8_t b = uint8_t(Rest[0]);
        Rest = Rest.sliced(1);
        return b;
    }

    // The bytes up to the next separator (which is dropped), or all the rest.
    QByteArrayView Until(char separator)
    {
        const qsizetype at = Rest.indexOf(separator);
        if (at < 0) {
            const QByteArrayView all = Rest;
            Rest = {};
            return all;
        }
        const QByteArrayView piece = Rest.first(at);
        Rest = Rest.sliced(at + 1);
        return piece;
    }

    QByteArrayView Remaining() const { return Rest; }

    // The rest split at every separator.
    QList<QByteArray> Split(char separator) const
    {
        return QByteArray(Rest.data(), Rest.size()).split(separator);
    }

private:
    QByteArrayView Rest;
};
