// The settings-file parser. Any text read and written again reads back as
// the same copy; any value written reads back as written (line breaks as
// blanks), and any integer the parser accepts survives a write and a read.

#include "FuzzSupport.h"
#include "IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TFuzzInput input(data, size);
    const QByteArrayView valueBytes = input.Until('\n');
    const QByteArrayView text = input.Remaining();

    TIniFile first;
    first.SetText(text);
    const QByteArray written = first.Text();
    TIniFile second;
    second.SetText(written);
    FUZZ_CHECK(second.Text() == written);
    FUZZ_CHECK(second.ReadSections() == first.ReadSections());
    for (const QString &section : first.ReadSections()) {
        FUZZ_CHECK(second.ReadSection(section) == first.ReadSection(section));
        for (const QString &key : first.ReadSection(section))
            FUZZ_CHECK(second.ReadString(section, key, QStringLiteral("\x01")) == first.ReadString(section, key, {}));
    }

    const QString value = QString::fromUtf8(valueBytes);
    second.WriteString(u"Text", u"Grep", value);
    const std::optional<int> number = TIniFile::ParseInteger(value);
    if (number)
        second.WriteInteger(u"Text", u"SubLimit", *number);
    TIniFile third;
    third.SetText(second.Text());
    QString expected = value;
    expected.replace(u'\r', u' ').replace(u'\n', u' ');
    FUZZ_CHECK(third.ReadString(u"Text", u"Grep", {}) == expected);
    if (number)
        FUZZ_CHECK(third.ReadInteger(u"Text", u"SubLimit", *number ^ 1) == *number);
    return 0;
}
