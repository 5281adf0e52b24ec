#pragma once
// The regular-expression adapter: loads libbregexp.so, wraps the user's
// pattern into the library's pattern string ("m/.../k") and asks it for one
// match at a time within a line.

#include "BRegexpRecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class TDll;

class TBRegExp
{
public:
    // Shows a message box: text, and true for a warning icon (false: error).
    using MessageBox = std::function<void(const QString &text, bool warning)>;

    static const QString DefaultLibrary;

    explicit TBRegExp(MessageBox showMessage, const QString &libraryName = DefaultLibrary);
    ~TBRegExp();

    bool NoCase = false;
    bool MultiLine = false;
    // How long one match request may run, in milliseconds (0: no bound),
    // and the flag that ends a running request early. Libraries without
    // BSetLimits keep their own bounds.
    unsigned long TimeLimitMs = BREGEXP_DEFAULT_TIME_LIMIT_MS;
    const std::atomic<bool> *Stop = nullptr;

    // The result of a match request that the library gave up on because it
    // would cost too much (its retry, stack or time limits): the line cannot
    // be searched, but the pattern itself is fine. No message box is shown;
    // LastFailure() holds the library's text.
    static constexpr qsizetype TooCostly = -3;
    const QString &LastFailure() const { return FailureText; }

    // Whether the library and its match entry are there.
    bool Loaded() const { return MatchEntry || MatchExEntry; }

    // 0-based offset of the first match at or after offset in the line
    // (followed by one blank), with its length in bytes; -1 when there is
    // none (or a stop request ended it); -2 when matching failed (a warning
    // has been shown); TooCostly when the library gave up on this line.
    qsizetype Match(QByteArrayView pattern, QByteArrayView line, qsizetype offset, qsizetype &length);

    // Whether the library takes the pattern: the library's result code for
    // one match request on an empty line (BREGEXP_ERR_PATTERN: it does not
    // compile), with the library's text for a failure. Shows no message.
    int Try(QByteArrayView pattern, QString &libraryText);

    // The same, in two steps, for many requests on one line: the line is
    // copied once.
    void BeginLine(QByteArrayView line);
    qsizetype MatchInLine(QByteArrayView pattern, qsizetype offset, qsizetype &length);
    qsizetype TargetLength() const { return Target.size(); }

    // "m" + delimiter + pattern + delimiter + option letters; empty when no
    // delimiter is free (the delimiter warning is shown, once per adapter).
    QByteArray BuildPattern(QByteArrayView pattern);
    static QByteArray PickDelimiter(QByteArrayView pattern);
    QByteArray OptionLetters() const;

private:
    std::unique_ptr<TDll> Module;
    BMatchFn MatchEntry = nullptr;
    BMatchExFn MatchExEntry = nullptr;
    BRegfreeFn FreeEntry = nullptr;
    BSetLimitsFn SetLimitsEntry = nullptr;
    QString FailureText;
    MessageBox ShowMessage;
    QByteArray Target;           // the current line and its appended blank
    QByteArray LastPattern;      // the pattern whose string is cached
    QByteArray LastPatternString;
    bool DelimiterWarned = false;
};
