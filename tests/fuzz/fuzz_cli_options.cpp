// kestu-grep's command line: arguments are the input split at zero bytes.
// A parse either fails with a reason or gives values in their ranges, with
// the search text and the target taken unchanged from the arguments.

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
    FUZZ_CHECK(options.DepthLimit >= 0 && options.DepthLimit <= 64);
    FUZZ_CHECK(options.CodeChoice >= 0 && options.CodeChoice <= 6);
    if (options.Help || options.Version)
        return 0;
    FUZZ_CHECK(arguments.contains(options.FindText) && arguments.contains(options.TargetPath));
    // The same arguments parse the same way again.
    TCliOptions again;
    FUZZ_CHECK(again.Parse(arguments, error));
    FUZZ_CHECK(again.FindText == options.FindText && again.TargetPath == options.TargetPath
               && again.FilterList == options.FilterList && again.DepthLimit == options.DepthLimit
               && again.CodeChoice == options.CodeChoice && again.Recursive == options.Recursive
               && again.NoCase == options.NoCase && again.UseRegExp == options.UseRegExp
               && again.Json == options.Json);
    return 0;
}
