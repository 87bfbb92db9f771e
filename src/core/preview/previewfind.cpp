#include "preview/previewfind.h"

#include "system/whenfinished.h"

#include "i18n/translate.h"
#include "preview/citations.h"
#include "preview/previewocrcache.h"
#include "preview/textoccurrences.h"

#include <QThreadPool>

#include <cmath>

namespace tovik {

namespace {

QString trimmedQuery(const QString &query)
{
    return query.trimmed();
}

} // namespace

PreviewFind::PreviewFind(PreviewOCRCache *cache, QObject *parent)
    : QObject(parent)
    , m_cache(cache ? *cache : PreviewOCRCache::shared())
{
}

bool PreviewFind::hasUsableTextLayer(const RenderedPage &page)
{
    if (!page.pdfPage)
        return false;
    const std::shared_ptr<const PdfTextLayer> layer = page.pdfPage->textLayer();
    return layer && layer->characterCount() > 0 && !layer->text().trimmed().isEmpty();
}

QList<PreviewTextMatch> PreviewFind::collectMatches(const QList<CitedDocument> &documents, const QString &query,
                                                    CitationPageOrder order, const PreviewOCRCache &cache)
{
    QList<PreviewTextMatch> matches;
    const QString trimmed = trimmedQuery(query);
    if (trimmed.isEmpty())
        return matches;
    for (const CitedDocument &document : documents) {
        for (const RenderedPage &page : orderPages(document.pages, order)) {
            if (!page.pdfPage)
                continue;
            if (hasUsableTextLayer(page)) {
                const std::shared_ptr<const PdfTextLayer> layer = page.pdfPage->textLayer();
                const qsizetype limit = std::min(layer->characterCount(), layer->text().size());
                for (const TextRange &range : occurrences(layer->text(), trimmed, limit))
                    matches.append({document.filename, page.page, range, PreviewTextMatch::Source::pdf, {}});
                continue;
            }
            const std::optional<RecognizedPageText> recognized = cache.cachedText(
                PreviewOCRCache::textKey(document.filename, page.page), document.sourcePath.value_or(QString()));
            if (!recognized)
                continue;
            for (const RecognizedPageText::SearchHit &hit : recognized->search(trimmed))
                matches.append({document.filename, page.page, hit.range, PreviewTextMatch::Source::ocr, hit.glyphs});
        }
    }
    return matches;
}

QString PreviewFind::pageSignature(const QList<CitedDocument> &documents)
{
    QStringList parts;
    for (const CitedDocument &document : documents) {
        QString part = document.filename;
        for (const RenderedPage &page : document.pages)
            part += QLatin1Char(':') + QString::number(page.page) + (page.pdfPage ? u'+' : u'-');
        parts.append(part);
    }
    return parts.join(QChar(0x1E));
}

void PreviewFind::setDocuments(const QList<CitedDocument> &documents)
{
    m_documents = documents;
    warmTextLayers();
    const QString signature = pageSignature(documents);
    if (signature == m_signature)
        return;
    m_signature = signature;
    refreshFind(false, false);
}

void PreviewFind::setPageOrder(CitationPageOrder order)
{
    if (order == m_pageOrder)
        return;
    m_pageOrder = order;
    refreshFind(false, true);
}

void PreviewFind::setFindQuery(const QString &query)
{
    if (query == m_findQuery)
        return;
    m_findQuery = query;
    Q_EMIT findQueryChanged();
    refreshFind(true, true);
}

std::optional<PreviewTextMatch> PreviewFind::activeMatch() const
{
    if (m_findIndex < 0 || m_findIndex >= m_findMatches.size())
        return std::nullopt;
    return m_findMatches.at(m_findIndex);
}

void PreviewFind::refreshFind(bool restart, bool reveal)
{
    const QString trimmed = trimmedQuery(m_findQuery);
    setFindOCRPending(!trimmed.isEmpty() && scheduleFindRecognition());

    const std::optional<PreviewTextMatch> previous = activeMatch();
    const std::optional<QString> remembered = previous ? std::optional(previous->identity()) : std::nullopt;

    QList<PreviewTextMatch> matches = collectMatches(m_documents, m_findQuery, m_pageOrder, m_cache);
    const bool matchesChanged = matches != m_findMatches;
    m_findMatches = std::move(matches);
    m_matchesByPage.clear();
    for (int index = 0; index < m_findMatches.size(); ++index) {
        const PreviewTextMatch &match = m_findMatches.at(index);
        m_matchesByPage[PreviewOCRCache::textKey(match.filename, match.pageNumber)].append(index);
    }
    if (matchesChanged)
        Q_EMIT findMatchesChanged();

    if (m_findMatches.isEmpty()) {
        setFindIndex(0);
        setActiveFindCenter(std::nullopt);
        return;
    }
    int index = 0;
    if (!restart && remembered) {
        for (int candidate = 0; candidate < m_findMatches.size(); ++candidate) {
            if (m_findMatches.at(candidate).identity() == *remembered) {
                index = candidate;
                break;
            }
        }
    }
    setFindIndex(index);
    updateActiveCenter();
    if (reveal || !remembered || m_findMatches.at(index).identity() != *remembered)
        bumpReveal();
}

void PreviewFind::moveFind(int direction)
{
    const int count = int(m_findMatches.size());
    if (count == 0)
        return;
    setFindIndex(((m_findIndex + direction) % count + count) % count);
    updateActiveCenter();
    bumpReveal();
}

void PreviewFind::updateActiveCenter()
{
    const std::optional<PreviewTextMatch> match = activeMatch();
    if (!match) {
        setActiveFindCenter(std::nullopt);
        return;
    }
    if (match->source == PreviewTextMatch::Source::ocr) {
        const std::optional<RecognizedPageText> recognized = m_cache.cachedText(
            PreviewOCRCache::textKey(match->filename, match->pageNumber), sourcePathOf(match->filename));
        setActiveFindCenter(recognized ? recognized->verticalCenter(match->ocrGlyphs) : std::nullopt);
        return;
    }
    for (const CitedDocument &document : std::as_const(m_documents)) {
        if (document.filename != match->filename)
            continue;
        for (const RenderedPage &page : document.pages) {
            if (page.page != match->pageNumber || !page.pdfPage)
                continue;
            const std::shared_ptr<const PdfTextLayer> layer = page.pdfPage->textLayer();
            const std::optional<TextRange> selection = layer ? layer->selection(match->range) : std::nullopt;
            if (!selection)
                break;
            const PdfPageGeometry geometry = page.pdfPage->geometry();
            const QRectF box = geometry.cropBoxTransform().mapRect(layer->selectionBounds(*selection));
            const double height = geometry.displayedSize().height();
            const bool finite = std::isfinite(box.x()) && std::isfinite(box.y()) && std::isfinite(box.width())
                && std::isfinite(box.height());
            if (!finite || !(box.width() > 0.2 || box.height() > 0.2) || height <= 0)
                break;
            setActiveFindCenter(std::clamp(1.0 - box.center().y() / height, 0.0, 1.0));
            return;
        }
        break;
    }
    setActiveFindCenter(std::nullopt);
}

bool PreviewFind::scheduleFindRecognition()
{
    bool pending = false;
    for (const CitedDocument &document : std::as_const(m_documents)) {
        for (const RenderedPage &page : document.pages) {
            if (page.image.isNull() || !page.pdfPage || hasUsableTextLayer(page))
                continue;
            const QString textKey = PreviewOCRCache::textKey(document.filename, page.page);
            const QString source = document.sourcePath.value_or(QString());
            if (m_cache.cachedText(textKey, source))
                continue;
            pending = true;
            const QString waiter = PreviewOCRCache::recognitionKey(textKey, source);
            if (m_findOCRWaiters.contains(waiter))
                continue;
            m_findOCRWaiters.insert(waiter);
            whenFinished(m_cache.text(textKey, source, page.image), this, [this, waiter](const RecognizedPageText &) {
                m_findOCRWaiters.remove(waiter);
                refreshFind(false, false);
            });
        }
    }
    return pending;
}

QString PreviewFind::sourcePathOf(const QString &filename) const
{
    for (const CitedDocument &document : m_documents) {
        if (document.filename == filename)
            return document.sourcePath.value_or(QString());
    }
    return {};
}

QString PreviewFind::findStatus() const
{
    if (!m_findMatches.isEmpty()) {
        const std::initializer_list<std::pair<QString, QString>> values{
            {QStringLiteral("index"), QString::number(m_findIndex + 1)},
            {QStringLiteral("total"), QString::number(m_findMatches.size())}};
        return m_findOCRPending ? translated(QStringLiteral("Match {index} of {total}, recognizing"), values)
                                : translated(QStringLiteral("Match {index} of {total}"), values);
    }
    return translate(m_findOCRPending ? QStringLiteral("Recognizing") : QStringLiteral("No matches"));
}

QString PreviewFind::visibleStatus() const
{
    if (!m_findMatches.isEmpty())
        return QString::number(m_findIndex + 1) + QStringLiteral(" / ") + QString::number(m_findMatches.size());
    return findStatus();
}

bool PreviewFind::showsStatus() const
{
    return !trimmedQuery(m_findQuery).isEmpty();
}

void PreviewFind::fillRow(SelectablePDFPage &row, const QString &filename, qint64 page) const
{
    row.findRanges.clear();
    row.activeFindRange.reset();
    row.ocrFindGlyphs.clear();
    row.activeOCRFindGlyphs.clear();
    row.findReveal = m_findReveal;
    const auto found = m_matchesByPage.constFind(PreviewOCRCache::textKey(filename, page));
    if (found == m_matchesByPage.cend())
        return;
    for (const int index : *found) {
        const PreviewTextMatch &match = m_findMatches.at(index);
        const bool active = index == m_findIndex;
        if (match.source == PreviewTextMatch::Source::pdf) {
            row.findRanges.append(match.range);
            if (active)
                row.activeFindRange = match.range;
        } else {
            row.ocrFindGlyphs.insert(match.ocrGlyphs.begin(), match.ocrGlyphs.end());
            if (active)
                row.activeOCRFindGlyphs = match.ocrGlyphs;
        }
    }
}

void PreviewFind::setFindIndex(int index)
{
    if (index == m_findIndex)
        return;
    m_findIndex = index;
    Q_EMIT findIndexChanged();
}

void PreviewFind::setActiveFindCenter(std::optional<double> center)
{
    if (center == m_activeFindCenter)
        return;
    m_activeFindCenter = center;
    Q_EMIT activeFindCenterChanged();
}

void PreviewFind::setFindOCRPending(bool pending)
{
    if (pending == m_findOCRPending)
        return;
    m_findOCRPending = pending;
    Q_EMIT findOCRPendingChanged();
}

void PreviewFind::bumpReveal()
{
    ++m_findReveal;
    Q_EMIT findRevealChanged();
}

void PreviewFind::warmTextLayers()
{
    // Extracting a page's text takes a while; do it off the GUI thread ahead of the
    // first query and of the page views, which then find it ready.
    QSet<const PdfPage *> current;
    for (const CitedDocument &document : std::as_const(m_documents)) {
        for (const RenderedPage &page : document.pages) {
            if (!page.pdfPage)
                continue;
            current.insert(page.pdfPage.get());
            if (!m_warmed.contains(page.pdfPage.get()))
                QThreadPool::globalInstance()->start([pdfPage = page.pdfPage] { pdfPage->textLayer(); });
        }
    }
    m_warmed = current;
}

} // namespace tovik
