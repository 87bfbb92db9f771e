#include "passagesplitter.h"

#include "textlayout.h"

namespace ragtool {

QList<Passage> PassageSplitter::split(const QList<PageText> &pages)
{
    QList<Passage> passages;
    for (const PageText &page : pages) {
        QString chunk;
        auto flush = [&] {
            if (!chunk.isEmpty())
                passages.append(Passage{page.page, chunk});
            chunk.clear();
        };
        for (const QString &paragraph : text::paragraphs(page.text)) {
            if (text::weightedLength(chunk) >= flushWeight)
                flush();
            bool paragraphStart = true;
            for (const QString &sentence : text::sentences(paragraph)) {
                for (const QString &piece : text::wrap(sentence, maxWeight)) {
                    if (!chunk.isEmpty() && text::weightedLength(chunk) + text::weightedLength(piece) > maxWeight)
                        flush();
                    // Paragraphs stay on lines of their own, so a heading never runs into
                    // the sentence after it.
                    if (paragraphStart && !chunk.isEmpty())
                        chunk += QLatin1Char('\n') + piece;
                    else
                        chunk = text::join(chunk, piece);
                    paragraphStart = false;
                }
            }
        }
        flush();
    }
    return passages;
}

} // namespace ragtool
