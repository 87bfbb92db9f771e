#pragma once

#include "preview/previewrow.h"
#include "preview/selectablepdfpage.h"

#include <QHash>
#include <QList>
#include <QScrollArea>
#include <QSet>
#include <QString>

namespace tovik {

class AnswerClaims;
class PreviewFind;
class PreviewHeaderRow;
class PreviewOCRCache;
class PreviewPageRow;
class SelectablePDFPageView;

// The scrolling list of the documents sidebar: a loading row, then per document its
// header and its page rows. Row widgets are kept by row identity, so the list that
// the model publishes after every rendered page only adds what is new. Page views
// are made lazily, when their row comes within half a screen of the visible part;
// the rows there make up the materialized set that the find scrolls by. A long list
// gets its row widgets a slice per turn.
class PreviewPageList final : public QScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewPageList)

public:
    explicit PreviewPageList(PreviewFind &find, PreviewOCRCache *cache = nullptr, QWidget *parent = nullptr);

    void setRows(const QList<PreviewRow> &rows);
    const QList<PreviewRow> &rows() const { return m_rows; }

    // Identities of the page rows on (or near) the screen.
    const QSet<QString> &materializedPages() const { return m_materialized; }
    // The page view of a page row; null while the row hasn't been materialized.
    SelectablePDFPageView *pageView(const QString &identity) const;
    PreviewPageRow *pageRow(const QString &identity) const;
    PreviewHeaderRow *headerRow(const QString &identity) const;
    // True while rows of the list are still to be made on a later turn.
    bool isBuilding() const { return m_buildQueued; }
    // How many page views exist.
    int pageViewCount() const;

    // Brings the active match to the middle of the list, materializing its row first.
    void scrollToActiveMatch();

    // The answer's claims: each page row lists those citing it and its page marks their
    // passages; activating one brings its page into view.
    void setClaims(AnswerClaims *claims);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    SelectablePDFPage inputFor(const PreviewPageRow &row) const;
    void refreshFindInputs();
    void scheduleMaterialize();
    void updateMaterialized();
    void revealAttempt(qint64 reveal, const QString &identity, int attempt);
    void centerOn(int contentY);
    void centerRow(const QString &identity);
    void centerMarker(const QString &identity);
    void refreshClaims();
    void revealActiveClaim(qint64 reveal, int attempt);
    QList<SelectablePDFPage::Claim> claimsOf(const QString &filename, qint64 page) const;

    PreviewFind &m_find;
    PreviewOCRCache *m_cache;
    AnswerClaims *m_claims = nullptr;
    QWidget *m_content;
    QList<PreviewRow> m_rows;
    QList<QString> m_order; // row identities as laid out
    QHash<QString, QWidget *> m_widgets;
    QSet<QString> m_materialized;
    bool m_materializeQueued = false;
    bool m_buildQueued = false; // rows of m_rows not made yet are made on a later turn
    bool m_shownOnce = false;
};

} // namespace tovik
