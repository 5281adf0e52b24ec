// The hand-over codec. The input arrives in pieces whose sizes come from the
// first byte; every message taken re-encodes to exactly the bytes it came
// from, a broken stream stays broken, and any text encodes and decodes to
// itself.

#include "FuzzSupport.h"
#include "HandOverCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TFuzzInput input(data, size);
    const qsizetype pieceSize = input.Byte() % 64 + 1;
    const QByteArrayView stream = input.Remaining();

    THandOverCodec codec;
    QByteArray consumed;
    bool broken = false;
    for (qsizetype at = 0; at < stream.size(); at += pieceSize) {
        codec.Append(stream.sliced(at, qMin(pieceSize, stream.size() - at)));
        while (true) {
            QString text;
            const THandOverCodec::TResult result = codec.Take(text);
            if (result == THandOverCodec::TResult::NeedMore) {
                FUZZ_CHECK(!broken);
                break;
            }
            if (result == THandOverCodec::TResult::Invalid) {
                broken = true;
                break;
            }
            FUZZ_CHECK(!broken);
            const QByteArray again = THandOverCodec::Encode(text);
            FUZZ_CHECK(!again.isEmpty());
            consumed += again;
        }
    }
    FUZZ_CHECK(stream.startsWith(consumed));
    if (!broken)
        FUZZ_CHECK(codec.Pending() == stream.size() - consumed.size());

    // Any text round-trips.
    const QString text = QString::fromUtf8(stream);
    THandOverCodec roundTrip;
    roundTrip.Append(THandOverCodec::Encode(text));
    QString back;
    FUZZ_CHECK(roundTrip.Take(back) == THandOverCodec::TResult::Message);
    FUZZ_CHECK(back == text && roundTrip.Pending() == 0);
    return 0;
}
