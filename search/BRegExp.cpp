#include "BRegExp.h"

#include "Cp932.h"
#include "Dll.h"

#include <cstring>

const QString TBRegExp::DefaultLibrary = QStringLiteral("libbregexp.so");

TBRegExp::TBRegExp(MessageBox showMessage, const QString &libraryName)
    : Module(std::make_unique<TDll>(libraryName)), ShowMessage(std::move(showMessage))
{
    if (Module->Loaded()) {
        MatchEntry = reinterpret_cast<BMatchFn>(Module->Resolve("BMatch"));
        MatchExEntry = reinterpret_cast<BMatchExFn>(Module->Resolve("BMatchEx"));
        FreeEntry = reinterpret_cast<BRegfreeFn>(Module->Resolve("BRegfree"));
        SetLimitsEntry = reinterpret_cast<BSetLimitsFn>(Module->Resolve("BSetLimits"));
    }
    if (!Loaded() && ShowMessage)
        ShowMessage(QStringLiteral("BRegExp dll Error"), false);
}

TBRegExp::~TBRegExp() = default;

QByteArray TBRegExp::PickDelimiter(QByteArrayView pattern)
{
    for (char d : {'/', '#', '!', '$', '%', '&'})
        if (!pattern.contains(d))
            return QByteArray(1, d);
    return {};
}

QByteArray TBRegExp::OptionLetters() const
{
    QByteArray letters = "k";
    if (NoCase)
        letters += 'i';
    if (MultiLine)
        letters += 'm';
    return letters;
}

QByteArray TBRegExp::BuildPattern(QByteArrayView pattern)
{
    const QByteArray d = PickDelimiter(pattern);
    if (d.isEmpty()) {
        if (!DelimiterWarned && ShowMessage)
            ShowMessage(QStringLiteral("BRegExp Delimiter Error"), true);
        DelimiterWarned = true;
        return {};
    }
    return "m" + d + pattern.toByteArray() + d + OptionLetters();
}

void TBRegExp::BeginLine(QByteArrayView line)
{
    Target.resize(line.size() + 1);
    if (!line.isEmpty())
        memcpy(Target.data(), line.data(), size_t(line.size()));
    Target[line.size()] = ' ';
}

qsizetype TBRegExp::Match(QByteArrayView pattern, QByteArrayView line, qsizetype offset, qsizetype &length)
{
    BeginLine(line);
    return MatchInLine(pattern, offset, length);
}

qsizetype TBRegExp::MatchInLine(QByteArrayView pattern, qsizetype offset, qsizetype &length)
{
    length = 0;
    if (!Loaded())
        return -1;
    if (offset < 0 || offset > Target.size())
        return -1;
    if (LastPatternString.isEmpty() || LastPattern != pattern) {
        LastPattern = pattern.toByteArray();
        LastPatternString = BuildPattern(pattern);
    }
    if (LastPatternString.isEmpty())
        return -2; // no delimiter is free: the warning has been shown
    if (SetLimitsEntry) {
        SetLimitsEntry(TimeLimitMs, [](void *user) -> int {
            const std::atomic<bool> *stop = static_cast<const TBRegExp *>(user)->Stop;
            return stop && stop->load(std::memory_order_relaxed) ? 1 : 0;
        }, this);
    }
    char *begin = Target.data();             // zero-terminated by QByteArray
    char *end = begin + Target.size();
    BREGEXP *handle = nullptr;
    char message[BREGEXP_MSG_SIZE] = {};
    const int r = MatchExEntry
                      ? MatchExEntry(LastPatternString.constData(), begin, begin + offset, end, &handle, message)
                      : MatchEntry(LastPatternString.constData(), begin + offset, end, &handle, message);
    qsizetype result = -1;
    if (r > 0 && handle && handle->startp && handle->endp && handle->startp[0] && handle->endp[0]) {
        length = handle->endp[0] - handle->startp[0];
        result = handle->startp[0] - begin;
    } else if (r == BREGEXP_ERR_STOPPED) {
        result = -1; // the stop request itself ends the search
    } else if (r == BREGEXP_ERR_MATCH) {
        result = TooCostly;
        FailureText = TCp932::ToQString(QByteArrayView(message, qsizetype(qstrnlen(message, sizeof message))));
        if (FailureText.isEmpty())
            FailureText = QStringLiteral("BRegExp Match Error");
    } else if (r != 0) {
        // A failure: a pattern the library cannot use, a search it gave up
        // on, or a match it reported without a record.
        result = -2;
        if (ShowMessage) {
            QString text = TCp932::ToQString(QByteArrayView(message, qsizetype(qstrnlen(message, sizeof message))));
            if (text.isEmpty())
                text = QStringLiteral("BRegExp Match Error");
            ShowMessage(text, true);
        }
    }
    if (handle && FreeEntry)
        FreeEntry(handle);
    return result;
}

int TBRegExp::Try(QByteArrayView pattern, QString &libraryText)
{
    libraryText.clear();
    if (!Loaded())
        return BREGEXP_ERR_ARGUMENT;
    const QByteArray d = PickDelimiter(pattern);
    if (d.isEmpty())
        return BREGEXP_ERR_ARGUMENT; // the search itself says why
    const QByteArray patternString = "m" + d + pattern.toByteArray() + d + OptionLetters();
    QByteArray line(" ");
    BREGEXP *handle = nullptr;
    char message[BREGEXP_MSG_SIZE] = {};
    char *begin = line.data();
    const int r = MatchExEntry ? MatchExEntry(patternString.constData(), begin, begin, begin + 1, &handle, message)
                               : MatchEntry(patternString.constData(), begin, begin + 1, &handle, message);
    if (handle && FreeEntry)
        FreeEntry(handle);
    if (r < 0)
        libraryText = TCp932::ToQString(QByteArrayView(message, qsizetype(qstrnlen(message, sizeof message))));
    return r;
}
