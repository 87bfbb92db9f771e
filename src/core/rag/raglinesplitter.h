#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

#include <functional>

namespace tovik {

// Turns a child's output, arriving in pieces of any size, into lines.
// A line ends at LF, VT, FF, CR (CR LF counts once), U+0085, U+2028 or U+2029; the
// terminator is dropped and empty lines are skipped. Bytes that are not UTF-8 become
// U+FFFD. Work is linear in the input, whatever the line length.
//
// Lines are taken one at a time with next(), as views into the decoded text, so a
// reader can stop between any two lines and no line is copied on the way.
class RagLineSplitter final
{
public:
    using LineSink = std::function<void(QString &&line)>;

    // Decodes `bytes` and keeps them until their lines have been taken.
    void feed(QByteArrayView bytes);
    // End of output: the text after the last terminator becomes the last line.
    void finish();
    // The next complete line, if there is one. `line` stays valid until the next call
    // of any member.
    bool next(QStringView &line);
    // `line`, the one next() gave last, as a string of its own: the buffer itself,
    // without a copy, when the line is all it holds; else a copy.
    QString take(QStringView line);

    // feed() or finish(), then every line taken at once, each as its own string.
    void feed(QByteArrayView bytes, const LineSink &sink);
    void finish(const LineSink &sink);

    static bool isTerminator(char16_t c)
    {
        // Everything between CR and NEL is ordinary text: one comparison for most.
        if (c > u'\r' && c < u'\u0085')
            return false;
        return c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\u0085' || c == u'\u2028'
            || c == u'\u2029';
    }

private:
    void drain(const LineSink &sink);

    // Stateless on purpose: Qt 6.4's stateful UTF-8 decoder drops the byte that follows
    // an incomplete sequence cut between two calls, so an unfinished character is held
    // back here and decoded with the next piece.
    QStringDecoder m_decoder{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    QByteArray m_pendingBytes;
    QString m_text;          // decoded text from the start of the current line on
    qsizetype m_start = 0;   // where the current line starts in m_text
    qsizetype m_scanned = 0; // m_text up to here holds no terminator after m_start
    bool m_finished = false;
};

} // namespace tovik
