// libFuzzer target for the on-disk format of recognized text: any bytes either fail to
// decode or decode to lines that encode back to exactly those bytes.
#include "ocr/recognizedtextstore.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray key("0123456789abcdef");
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QList<tovik::TextObservation>> lines = tovik::RecognizedTextStore::decode(key, bytes);
    if (lines && tovik::RecognizedTextStore::encode(key, *lines) != bytes)
        std::abort();
    return 0;
}
