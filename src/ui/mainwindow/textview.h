#pragma once

#include "mainwindow/textsegments.h"
#include "preview/citationmarker.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class QMenu;
class QTextLayout;

namespace tovik {

// A read-only view of a text that may be huge and keep growing: a tab's answer and
// log. It lays out only the pieces of the text (TextSegments) it shows, so neither a
// line of megabytes nor millions of lines make it slow, and it can show a string kept
// by someone else without copying it. Text is selected with the mouse, Ctrl+A or the
// context menu, and Ctrl+C copies exactly the selected characters of the text.
//
// Position: the piece at the top and how many pixels of it are scrolled away. The
// scroll bar counts pieces; the wheel and the keys scroll by pixels. While the view
// is at the bottom it stays there as the text grows.
class TextView final : public QAbstractScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextView)

public:
    // Space around the text, in pixels.
    static constexpr int margin = 4;

    explicit TextView(QWidget *parent = nullptr);
    ~TextView() override;

    // Shows `text` (a shared copy, as QString copies are).
    void setText(const QString &text);
    // Adds `text` at the end of what setText gave.
    void appendText(QStringView text);
    // Shows `*text`, kept by `owner`, without copying it; with `dropFinalLineFeed` a
    // line feed at its end is not shown. Every change of the text must be announced:
    // sourceAppended() when it only grew at its end, sourceReplaced() otherwise. Once
    // `owner` is destroyed the view shows nothing.
    void setSource(QObject *owner, const QString *text, bool dropFinalLineFeed);
    void sourceAppended();
    void sourceReplaced();

    // The text as shown, and a copy of it.
    QStringView shownText() const;
    QString text() const { return shownText().toString(); }
    // How many pieces the text is laid out in.
    qsizetype pieceCount() const { return m_segments.count(); }

    // The selection, as positions in the shown text; start == end when none.
    qsizetype selectionStart() const { return std::min(m_anchor, m_position); }
    qsizetype selectionEnd() const { return std::max(m_anchor, m_position); }
    QString selectedText() const;
    void select(qsizetype anchor, qsizetype position);
    void selectAll();
    // Puts the selected text on the clipboard; nothing without a selection.
    void copy() const;

    // The height the whole text needs at `width` (margins included); stops adding once
    // past `limit`.
    int textHeight(int width, int limit) const;
    bool isAtBottom() const;
    void scrollToBottom();
    void scrollToTop();

    // Shows the citation markers of the text as links: underlined in the link colour,
    // with a tooltip naming the page. A click on one, or Return on the one reached with
    // Tab (Tab and Shift+Tab go from marker to marker before leaving the view), emits
    // citationActivated. Copying still gives the text exactly as written.
    void setCitationLinks(bool enabled);
    bool hasCitationLinks() const { return m_links; }
    // The marker reached with Tab, if any.
    const std::optional<CitationMarker> &focusedCitation() const { return m_focusedLink; }
    // The marker under a point of the viewport, if any.
    std::optional<CitationMarker> citationAt(QPoint point) const;
    // Brings a position of the text into view.
    void ensureVisible(qsizetype position);

Q_SIGNALS:
    void citationActivated(const tovik::CitationMarker &marker);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    bool viewportEvent(QEvent *event) override;

private:
    struct Laid
    {
        qsizetype start = 0;
        qsizetype end = 0;
        std::shared_ptr<QTextLayout> layout;
        int height = 0;
        QList<CitationMarker> links; // the markers that touch the piece
    };
    struct Position
    {
        qsizetype piece = 0;
        int offset = 0; // pixels of the piece above the top of the text area

        friend bool operator<(Position a, Position b)
        {
            return a.piece < b.piece || (a.piece == b.piece && a.offset < b.offset);
        }
    };

    const QString *source() const;
    void rebuild();
    int layoutWidth() const;
    int roomHeight() const;
    Laid laidOut(qsizetype piece) const;
    std::shared_ptr<QTextLayout> makeLayout(qsizetype start, qsizetype end, int width, int *height,
                                            const QList<CitationMarker> &links = {}) const;
    Position bottomPosition() const;
    void setPosition(Position position, bool byUser);
    void scrollByPixels(int pixels);
    bool canLayOut() const;
    void refreshGeometry();
    void cutPieces(bool paced);
    qsizetype positionAt(QPoint point) const;
    void selectWordAt(qsizetype position);
    QMenu *makeContextMenu();
    void dragTo(QPoint point);
    QList<CitationMarker> linksAround(qsizetype start, qsizetype end) const;
    std::optional<CitationMarker> nextLink(bool forward) const;
    void activateLink(const CitationMarker &marker);

    QString m_own;
    QPointer<QObject> m_owner;
    QMetaObject::Connection m_ownerGone;
    const QString *m_external = nullptr;
    bool m_dropFinalLineFeed = false;
    bool m_cutQueued = false; // more pieces are cut on the next turn
    // Text arriving faster than a screen refreshes is laid out and shown once a frame.
    QBasicTimer m_pacedRefresh;
    QElapsedTimer m_lastRefresh;
    TextSegments m_segments;

    Position m_top;
    bool m_follow = true; // stays at the bottom as the text grows
    bool m_settingBar = false;
    mutable QHash<qsizetype, Laid> m_layouts;
    mutable int m_layoutsWidth = -1;

    qsizetype m_anchor = 0;
    qsizetype m_position = 0;
    bool m_dragging = false;
    QPoint m_dragPoint;
    QBasicTimer m_autoScroll;

    bool m_links = false;
    std::optional<CitationMarker> m_focusedLink;
    std::optional<CitationMarker> m_pressedLink;
};

} // namespace tovik
