// kestu-grep's command line: arguments are the input split at zero bytes.
// A parse either fails with a reason or gives values in their ranges, with
// the search text and every target (none: standard input) taken unchanged
// from the arguments.

#include "CliOptions.h"
#include "FuzzSupport.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TFuzzInput input(data, size);
    QStringList arguments;
    for (const QByteArray &piece : input.Split('\0'))
        arguments.append(QString::fromUtf8(piece));
    TCliOptions options;
    QString error;
    const bool ok = options.Parse(arguments, error);
    if (!ok) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(error.isEmpty());
    FUZZ_CHECK(options.Search.DepthLimit >= 0 && options.Search.DepthLimit <= 64);
    FUZZ_CHECK(options.Search.CodeChoice >= 0 && options.Search.CodeChoice <= 6);
    if (options.Help || options.Version)
        return 0;
    FUZZ_CHECK(arguments.contains(options.Search.FindText));
    for (const QString &target : options.Targets)
        FUZZ_CHECK(arguments.contains(target));
    // The same arguments parse the same way again.
    TCliOptions again;
    FUZZ_CHECK(again.Parse(arguments, error));
    FUZZ_CHECK(again.Search.FindText == options.Search.FindText && again.Targets == options.Targets
               && again.Search.FilterList == options.Search.FilterList && again.Search.DepthLimit == options.Search.DepthLimit
               && again.Search.CodeChoice == options.Search.CodeChoice && again.Search.Recursive == options.Search.Recursive
               && again.Search.NoCase == options.Search.NoCase && again.Search.UseRegExp == options.Search.UseRegExp
               && again.Json == options.Json);
    return 0;
}
