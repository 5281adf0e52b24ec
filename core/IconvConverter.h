#pragma once
// A thin owner of one iconv descriptor that converts a whole byte string and
// never gives up on bad input: a byte sequence that is invalid in the source,
// or a character the destination cannot hold, is replaced by a substitute and
// the conversion goes on.

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <memory>

class TIconvHandle;

class TIconvConverter
{
public:
    TIconvConverter(const char *toCode, const char *fromCode, QByteArray substitute);
    ~TIconvConverter();
    TIconvConverter(const TIconvConverter &) = delete;
    TIconvConverter &operator=(const TIconvConverter &) = delete;

    bool IsOpen() const;

    // Appends the converted input to out. keepGoing is asked between pieces
    // of input; when it answers false the conversion ends early and the
    // result is -1. Otherwise the result is the number of substitutions.
    qsizetype Convert(QByteArrayView input, QByteArray &out,
                      const std::function<bool()> &keepGoing = {});

    // How many input bytes an undecodable or unmappable sequence at p
    // (with n bytes left) spans; the converter steps over that many.
    using SkipRule = qsizetype (*)(const unsigned char *p, qsizetype n);
    void SetSkipRule(SkipRule rule) { Skip = rule; }

private:
    std::unique_ptr<TIconvHandle> Handle;
    QByteArray Substitute;
    SkipRule Skip = nullptr;
};
