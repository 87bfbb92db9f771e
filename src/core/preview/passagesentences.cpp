#include "preview/passagesentences.h"

namespace tovik {

namespace {

bool endsSentenceAlways(QChar c)
{
    return c == u'。' || c == u'！' || c == u'？' || c == u'；' || c == u'\u2029';
}

bool endsSentenceBeforeSpace(QChar c)
{
    return c == u'.' || c == u'!' || c == u'?' || c == u';';
}

// A line this narrow is a heading, a list item or a paragraph's last line; wide
// characters count twice.
constexpr int shortLineColumns = 40;

int columns(QStringView line)
{
    int count = 0;
    for (QChar c : line)
        count += c.unicode() >= 0x1100 ? 2 : 1;
    return count;
}

} // namespace

QList<TextSpan> PassageSentences::of(QStringView text)
{
    QList<TextSpan> sentences;
    qsizetype start = 0;
    qsizetype lineStart = 0;
    // White space alone is no sentence: it joins the one before (or, at the
    // start of the text, the one after).
    const auto cut = [&](qsizetype end) {
        if (end <= start)
            return;
        if (text.sliced(start, end - start).trimmed().isEmpty()) {
            if (sentences.isEmpty())
                return;
            sentences.last().end = end;
        } else {
            sentences.append({start, end});
        }
        start = end;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\n') {
            const QStringView line = text.sliced(lineStart, i - lineStart).trimmed();
            const bool open = !line.isEmpty() && (line.back() == u',' || line.back() == u'-' || line.back() == u'，');
            // A blank line ends the sentence before it, as does a short line.
            if (line.isEmpty() || (!open && columns(line) < shortLineColumns))
                cut(i + 1);
            lineStart = i + 1;
        } else if (endsSentenceAlways(c)) {
            cut(i + 1);
        } else if (endsSentenceBeforeSpace(c) && (i + 1 == text.size() || text.at(i + 1).isSpace())) {
            cut(i + 1);
        }
    }
    cut(text.size());
    if (sentences.isEmpty() && !text.isEmpty())
        sentences.append({0, text.size()});
    return sentences;
}

} // namespace tovik
