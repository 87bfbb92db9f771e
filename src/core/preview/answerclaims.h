#pragma once

#include "preview/citationclaim.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>

#include <optional>

namespace tovik {

// The claims of a tab's answer, one per citation marker, kept while the answer streams
// (only the new end is read) and the one claim the user picked: clicking a marker in
// the answer, or a claim under a cited page, makes it the active one, whose passage
// the documents page shows.
//
// A claim runs from the previous marker or the start of its sentence, whichever is
// nearer, to its marker. A marker that follows another with nothing but spaces and
// punctuation between them shares that one's claim. GUI thread only.
class AnswerClaims final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int activeClaim READ activeClaim NOTIFY activeClaimChanged)
    Q_DISABLE_COPY_MOVE(AnswerClaims)

public:
    // The longest claim text matched against a page (a claim is usually a sentence).
    static constexpr qsizetype maxClaimLength = 2000;
    // The most of the answer read in one turn of the event loop; the rest follows in
    // later turns.
    static constexpr qsizetype charactersPerTurn = qsizetype(2) << 20;
    // The most markers read in one turn.
    static constexpr qsizetype markersPerTurn = 2000;

    explicit AnswerClaims(QObject *parent = nullptr);

    // The answer as it is now. When it starts with the text read before, only the new
    // end is read; otherwise everything starts over (and the active claim is dropped).
    // claimsChanged() follows each slice read.
    void follow(const QString &answer);
    void clear();

    const QList<CitationClaim> &claims() const { return m_claims; }
    // The claims citing one page, in answer order, as indexes into claims().
    QList<int> claimsOn(const QString &filename, qint64 page) const;

    int activeClaim() const { return m_active; }
    // Counts up on every activation, so a page asked to show the same claim again does.
    qint64 reveal() const { return m_reveal; }
    void activateClaim(int index);
    // The claim of the marker starting at `markerStart` in the answer. A marker not read
    // yet (the answer is still arriving) becomes active once it is.
    void activateMarker(qsizetype markerStart);

    // The part of `answer` that the marker at `marker` vouches for, given where the
    // marker before it ends (0 for the first): trimmed, possibly empty.
    static TextRange claimRange(QStringView answer, TextRange marker, qsizetype previousMarkerEnd);

Q_SIGNALS:
    // New claims were read, or the claims were dropped.
    void claimsChanged();
    void activeClaimChanged();

private:
    void readMore();
    void queueReadMore();
    void add(const QString &answer, const CitationMarker &marker);

    QString m_read; // the answer as last read (a share of the caller's copy)
    qsizetype m_scanFrom = 0; // where markers may still begin
    qsizetype m_lastMarkerEnd = 0;
    QList<CitationClaim> m_claims;
    QHash<QString, QList<int>> m_byPage; // by the page's text key
    QHash<qsizetype, int> m_byMarkerStart;
    int m_active = -1;
    qint64 m_reveal = 0;
    std::optional<qsizetype> m_pendingMarker;
    bool m_readQueued = false;
};

} // namespace tovik
