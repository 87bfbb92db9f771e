#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
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
    // Room for decoding `bytes` more bytes, so that feeding that much grows the buffer
    // at most once. A buffer that already holds more (a long line coming in) is left
    // to grow as feeding grows it.
    void reserveFor(qsizetype bytes)
    {
        // A character cut at the end of the last piece is decoded with the next one.
        const qsizetype characters = m_decoder.requiredSpace(bytes + m_pendingBytes.size());
        if (m_text.size() <= characters && m_text.capacity() - m_text.size() < characters)
            m_text.reserve(m_text.size() + characters);
    }
    // End of output: the text after the last terminator becomes the last line.
    void finish();
    // The next complete line, if there is one. `line` stays valid until the next call
    // of any member.
    bool next(QStringView &line);
    // Where `line`, a view next() or nextRun() gave, starts in the buffer.
    qsizetype offsetOf(QStringView line) const { return line.data() - m_text.constData(); }
    // The buffer that holds the lines taken since the last call, as it is: the views
    // next() and nextRun() gave point into it. What is not taken yet moves to a buffer
    // of its own, so a huge line is handed on without a copy.
    QString takeBuffer();

    // ASCII characters a line in a run may not start with.
    class RunStops final
    {
    public:
        explicit RunStops(QLatin1StringView characters)
        {
            for (const char c : characters) {
                const auto u = static_cast<unsigned char>(c);
                if (u < 128)
                    m_bits[u >> 6] |= quint64(1) << (u & 63);
            }
        }
        bool contains(char16_t c) const { return c < 128 && (m_bits[c >> 6] >> (c & 63)) & 1; }

    private:
        quint64 m_bits[2] = {0, 0};
    };
    // Two or more complete lines from the next one on, taken at once: each ends with LF
    // alone, is not empty and does not start with one of `stops`. `run` holds them as
    // they stand, LFs included, so it reads as its lines each followed by LF; it stays
    // valid until the next call of any member. False, and nothing taken, when the lines
    // ahead do not make such a run: next() then takes them one by one.
    bool nextRun(QStringView &run, const RunStops &stops);

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
    // The first terminator in m_text from `from` on, or the text's size.
    qsizetype terminatorFrom(qsizetype from) const;
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
