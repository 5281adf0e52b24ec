// The window's argument handling: arguments are the input split at zero
// bytes, applied one after the other as a start or a hand-over applies
// them. Checks that only what an argument names changes, and that every
// control stays in its range.

#include "FuzzSupport.h"
#include "MainWindow.h"
#include "WKSpinEdit.h"

#include <QApplication>
#include <QComboBox>

namespace {

struct TState
{
    QString Target, Filter, Grep;
    int Code, SubLimit;
    bool RegExpr, SubDirectory, IgnoreCase, Detail;
    friend bool operator==(const TState &, const TState &) = default;
};

TState StateOf(const TForm1 &w)
{
    return {w.ComboBoxTarget->currentText(), w.ComboBoxFilter->currentText(), w.ComboBoxGrep->currentText(),
            w.ComboBoxCode->currentIndex(), w.EditSubLimit->Value(), w.ActionOptionRegExpr->isChecked(),
            w.ActionOptionSubDirectory->isChecked(), w.ActionOptionIgnoreCase->isChecked(),
            w.ActionViewDetail->isChecked()};
}

TForm1 *Window = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_window_arguments";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    Window = new TForm1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TFuzzInput input(data, size);
    for (const QByteArray &piece : input.Split('\0')) {
        const QString argument = QString::fromUtf8(piece);
        if (argument == QLatin1String("-restore"))
            continue; // brings the window forward, nothing to check offscreen
        const TState before = StateOf(*Window);
        Window->ApplyArgument(argument);
        const TState after = StateOf(*Window);
        FUZZ_CHECK(after.Code >= 0 && after.Code < Window->ComboBoxCode->count());
        FUZZ_CHECK(after.SubLimit >= Window->EditSubLimit->MinValue()
                   && after.SubLimit <= Window->EditSubLimit->MaxValue());
        // An argument changes at most the one thing its switch names.
        TState expected = before;
        if (after.Target != before.Target) {
            expected.Target = after.Target;
        } else if (argument.startsWith(QLatin1String("-f"))) {
            FUZZ_CHECK(argument.size() <= 2 || after.Filter == argument.mid(2));
            expected.Filter = after.Filter;
        } else if (argument.startsWith(QLatin1String("-s"))) {
            FUZZ_CHECK(argument.size() <= 2 || after.Grep == argument.mid(2));
            expected.Grep = after.Grep;
        } else if (argument.startsWith(QLatin1String("-c"))) {
            expected.Code = after.Code;
        } else if (argument.startsWith(QLatin1String("-l"))) {
            expected.SubLimit = after.SubLimit;
        } else if (argument.size() == 3 && argument.startsWith(u'-')) {
            expected.RegExpr = after.RegExpr;
            expected.SubDirectory = after.SubDirectory;
            expected.IgnoreCase = after.IgnoreCase;
            expected.Detail = after.Detail;
        }
        FUZZ_CHECK(after == expected);
    }
    return 0;
}
