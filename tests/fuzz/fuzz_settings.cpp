// The settings passes: whatever a settings file holds, the record read from
// it, written to a fresh file and read back, is the same record, and every
// value lies in its range.

#include "FuzzSupport.h"
#include "GrepSettings.h"
#include "IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TIniFile file;
    file.SetText(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    TGrepSettings read;
    read.Read(file);
    FUZZ_CHECK(read.WindowState >= 0 && read.WindowState <= 2);
    FUZZ_CHECK(read.FType >= 0 && read.FType <= 2 && read.PAlign >= 0 && read.PAlign <= 2);
    FUZZ_CHECK(read.SubLimit >= 0 && read.SubLimit <= TGrepSettings::MaxSubLimit);
    FUZZ_CHECK(read.CodePage >= 0 && read.CodePage < TGrepSettings::CodePageCount);
    FUZZ_CHECK(read.Action.size() == TGrepSettings::DesignedShortcuts().size());

    TIniFile out;
    read.Write(out);
    TIniFile reloaded;
    reloaded.SetText(out.Text());
    TGrepSettings again;
    again.Read(reloaded);
    TGrepSettings expected = read;
    if (read.WindowState != TGrepSettings::StateNormal) {
        // The normal placement is kept only while the window is normal.
        const TGrepSettings designed;
        expected.Left = designed.Left;
        expected.Top = designed.Top;
        expected.Width = designed.Width;
        expected.Height = designed.Height;
    }
    // A carriage return inside a line is read as it stands but written as
    // a blank (a value is one line); then the second reading differs in
    // those blanks only, and the file written from it is the same.
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    bool loneReturn = false;
    for (qsizetype i = input.indexOf('\r'); i >= 0 && !loneReturn; i = input.indexOf('\r', i + 1))
        loneReturn = i + 1 == input.size() || input[i + 1] != '\n';
    if (loneReturn && !(again == expected)) {
        TIniFile outAgain;
        again.Write(outAgain);
        FUZZ_CHECK(outAgain.Text() == out.Text());
        return 0;
    }
    FUZZ_CHECK(again == expected);
    return 0;
}
