#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <functional>

namespace tovik {

// Turns a child's output, arriving in pieces of any size, into lines.
// A line ends at LF, VT, FF, CR (CR LF counts once), U+0085, U+2028 or U+2029; the
// terminator is dropped and empty lines are skipped. Bytes that are not UTF-8 become
// U+FFFD. Work is linear in the input, whatever the line length.
class RagLineSplitter final
{
public:
    using LineSink = std::function<void(QString &&line)>;

    // Decodes `bytes` and hands every line it completes to `sink`.
    void feed(QByteArrayView bytes, const LineSink &sink);
    // End of output: delivers the last unterminated line, if any.
    void finish(const LineSink &sink);

    static bool isTerminator(char16_t c);

private:
    void split(const QString &text, const LineSink &sink);

    // Stateless on purpose: Qt 6.4's stateful UTF-8 decoder drops the byte that follows
    // an incomplete sequence cut between two calls, so an unfinished character is held
    // back here and decoded with the next piece.
    QStringDecoder m_decoder{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    QByteArray m_pendingBytes;
    QString m_partialLine;
};

} // namespace tovik
