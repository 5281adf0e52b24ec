#include "Cp932.h"

#include <cstring>

#include "IconvConverter.h"

QString TCp932::ToQString(QByteArrayView bytes)
{
    return QString::fromUtf8(ToUtf8(bytes));
}

namespace {

// The UTF-8 form of every CP932 character, asked of iconv once: a byte
// that stands alone, and each lead byte with each second byte. Length 0:
// not a character on its own (a lead byte) or no character at all.
class TUtf8Forms
{
public:
    TUtf8Forms()
    {
        TIconvConverter converter("UTF-8", "CP932", "");
        if (!converter.IsOpen())
            return;
        const auto put = [&](TForm &form, QByteArrayView cp932) {
            QByteArray utf8;
            if (converter.Convert(cp932, utf8) == 0 && utf8.size() >= 1 && utf8.size() <= 4) {
                form.Length = static_cast<unsigned char>(utf8.size());
                memcpy(form.Bytes, utf8.constData(), size_t(utf8.size()));
            }
        };
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char single = char(b);
            if (IsLead(b)) {
                for (int t = 0x40; t <= 0xFC; ++t) {
                    const char pair[2] = {single, char(t)};
                    put(Pairs[PairIndex(b, t)], QByteArrayView(pair, 2));
                }
            } else {
                put(Singles[b - 0x80], QByteArrayView(&single, 1));
            }
        }
        Ready = true;
    }

    // Appends the UTF-8 form of cp932 to out; false (out then unusable)
    // where a byte is not part of a character the table knows.
    bool Append(QByteArrayView cp932, QByteArray &out) const
    {
        if (!Ready)
            return false;
        out.resize(cp932.size() * 3); // a single byte grows to three at most
        char *o = out.data();
        const auto *p = reinterpret_cast<const unsigned char *>(cp932.data());
        const qsizetype n = cp932.size();
        for (qsizetype i = 0; i < n;) {
            const unsigned char b = p[i];
            if (b < 0x80) {
                *o++ = char(b);
                ++i;
                continue;
            }
            const TForm *form;
            if (IsLead(b)) {
                if (i + 1 >= n || p[i + 1] < 0x40 || p[i + 1] > 0xFC)
                    return false;
                form = &Pairs[PairIndex(b, p[i + 1])];
                i += 2;
            } else {
                form = &Singles[b - 0x80];
                ++i;
            }
            if (form->Length == 0)
                return false;
            memcpy(o, form->Bytes, form->Length);
            o += form->Length;
        }
        out.resize(o - out.data());
        return true;
    }

private:
    struct TForm
    {
        unsigned char Length = 0;
        char Bytes[4] = {};
    };
    static bool IsLead(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
    static int PairIndex(int lead, int trail)
    {
        return ((lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31) * 189) + (trail - 0x40);
    }

    bool Ready = false;
    TForm Singles[128];
    TForm Pairs[60 * 189];
};

} // namespace

QByteArray TCp932::ToUtf8(QByteArrayView bytes)
{
    // Plain ASCII, the common case for paths and code, needs no converter.
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QByteArray(bytes.data(), bytes.size());
    // Every hit printed or shown passes here: characters come from a table.
    // Text with a byte that is no CP932 character goes through iconv whole,
    // which decides how far each bad spot reaches.
    static const TUtf8Forms forms;
    QByteArray out;
    if (forms.Append(bytes, out))
        return out;
    out.clear();
    thread_local TIconvConverter toUtf8("UTF-8", "CP932", "\xEF\xBF\xBD");
    toUtf8.Convert(bytes, out);
    return out;
}

bool TCp932::FromQString(const QString &text, QByteArray &out)
{
    out.clear();
    // A surrogate without its partner is no character (toUtf8 would make
    // it "?", and the text would be searched for what was never asked).
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    const QByteArray utf8 = text.toUtf8();
    thread_local TIconvConverter fromUtf8("CP932", "UTF-8", "");
    return fromUtf8.Convert(utf8, out) == 0;
}

bool TCp932::Available()
{
    static const bool available = TIconvConverter("CP932", "UTF-8", "").IsOpen();
    return available;
}
