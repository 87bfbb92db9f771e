#pragma once

#include "preview/citationpageorder.h"
#include "preview/citeddocument.h"
#include "preview/previewtextmatch.h"
#include "preview/selectablepdfpage.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

namespace tovik {

class PreviewOCRCache;

// The find of the documents sidebar: searches every loaded page of a tab (text
// layers and the recognized text of scanned pages), keeps the active match across
// rebuilds, and tells the page rows what to highlight. Scanned pages are recognized
// as soon as a query is typed, not only those on screen.
//
// Threads: GUI thread only, like the recognized-text cache it reads.
class PreviewFind final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString findQuery READ findQuery WRITE setFindQuery NOTIFY findQueryChanged)
    Q_PROPERTY(QList<tovik::PreviewTextMatch> findMatches READ findMatches NOTIFY findMatchesChanged)
    Q_PROPERTY(int findIndex READ findIndex NOTIFY findIndexChanged)
    Q_PROPERTY(qint64 findReveal READ findReveal NOTIFY findRevealChanged)
    Q_PROPERTY(bool findOCRPending READ findOCRPending NOTIFY findOCRPendingChanged)
    Q_DISABLE_COPY_MOVE(PreviewFind)

public:
    // `cache` is the recognized-text cache to read and fill; the process-wide one when null.
    explicit PreviewFind(PreviewOCRCache *cache = nullptr, QObject *parent = nullptr);

    const QString &findQuery() const { return m_findQuery; }
    // A new query starts over at the first match and brings it into view.
    void setFindQuery(const QString &query);
    const QList<PreviewTextMatch> &findMatches() const { return m_findMatches; }
    int findIndex() const { return m_findIndex; }
    qint64 findReveal() const { return m_findReveal; }
    // 0 at the top of the active match's page to 1 at its bottom.
    std::optional<double> activeFindCenter() const { return m_activeFindCenter; }
    bool findOCRPending() const { return m_findOCRPending; }
    // The pages the find waits for, by recognition key (see PreviewOCRCache).
    const QSet<QString> &findOCRWaiters() const { return m_findOCRWaiters; }
    std::optional<PreviewTextMatch> activeMatch() const;

    // The loaded documents, as published; the matches are rebuilt when the set of
    // pages changes.
    void setDocuments(const QList<CitedDocument> &documents);
    // Reorders the matches and keeps the active one, bringing it into view.
    void setPageOrder(CitationPageOrder order);
    CitationPageOrder pageOrder() const { return m_pageOrder; }
    // Once when the sidebar is shown.
    void sidebarShown() { refreshFind(false, false); }

    // Rebuilds the matches: `restart` goes back to the first match (otherwise the
    // active one stays active), `reveal` asks for a scroll to it.
    void refreshFind(bool restart, bool reveal);
    // +1 next, -1 previous; both wrap around.
    void moveFind(int direction);
    void updateActiveCenter();
    // Starts recognition of every scanned page without a result yet; true when the
    // find waits for any.
    bool scheduleFindRecognition();

    // "Match 2 of 5", "Match 2 of 5, recognizing", "Recognizing" or "No matches".
    QString findStatus() const;
    // What the bar shows: "2 / 5", or the words of findStatus without matches.
    QString visibleStatus() const;
    // The status shows only while the trimmed query is not empty.
    bool showsStatus() const;

    // Fills the find values of one page row (its ranges, glyphs and the reveal).
    void fillRow(SelectablePDFPage &row, const QString &filename, qint64 page) const;

    // All matches of `query` in display order: by document, then page in `order`,
    // then position on the page. Pages without a text layer take their matches from
    // the recognized text in `cache`, or contribute nothing until it is there.
    static QList<PreviewTextMatch> collectMatches(const QList<CitedDocument> &documents, const QString &query,
                                                  CitationPageOrder order, const PreviewOCRCache &cache);
    // Filename and, per page, its number and whether it has a PDF page.
    static QString pageSignature(const QList<CitedDocument> &documents);
    // A page whose text layer has characters and some text that isn't white space.
    static bool hasUsableTextLayer(const RenderedPage &page);

Q_SIGNALS:
    void findQueryChanged();
    void findMatchesChanged();
    void findIndexChanged();
    void findRevealChanged();
    void activeFindCenterChanged();
    void findOCRPendingChanged();

private:
    void setFindIndex(int index);
    void setActiveFindCenter(std::optional<double> center);
    void setFindOCRPending(bool pending);
    void bumpReveal();
    void warmTextLayers();
    // The file a loaded document was read from; empty when unknown.
    QString sourcePathOf(const QString &filename) const;

    PreviewOCRCache &m_cache;
    QList<CitedDocument> m_documents;
    QString m_signature;
    CitationPageOrder m_pageOrder = CitationPageOrder::source;

    QString m_findQuery;
    QList<PreviewTextMatch> m_findMatches;
    int m_findIndex = 0;
    qint64 m_findReveal = 0;
    std::optional<double> m_activeFindCenter;
    bool m_findOCRPending = false;
    QSet<QString> m_findOCRWaiters;
    // Match indexes per text key, for the rows.
    QHash<QString, QList<int>> m_matchesByPage;
    QSet<const PdfPage *> m_warmed;
};

} // namespace tovik
