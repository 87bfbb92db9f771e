#pragma once

#include "pdf/pdfpage.h"
#include "pdf/pdftextlayer.h"
#include "pdf/textrange.h"
#include "preview/passagematch.h"
#include "preview/recognizedpagetext.h"
#include "preview/selectablepdfpage.h"

#include <QBasicTimer>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QPainter;
class QScrollArea;

namespace tovik {

class PassageIndex;
class PassThroughLabel;
class PreviewOCRCache;

enum class SelectionGranularity { character, word, line };
enum class DragMode { none, pdf, ocr };

// One cited page in the documents sidebar: the rendered image with a text selection
// on top, taken from the PDF page's text layer or, on a scanned page, from its
// recognized text. Drag selects characters, a double click a word, a triple click a
// line; Tab reaches the page, Shift+arrows extend a selection from the keyboard,
// Ctrl+C copies and Ctrl+A selects all while the page has the focus. It also
// draws the find highlights of its row and brings the active match into view.
//
// Coordinates: the widget's own (origin top left, y down); page space and the
// normalized recognized-text space have y up, so every mapping flips y.
class SelectablePDFPageView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectablePDFPageView)

public:
    // A text-layer match of this page and its selection on the page.
    struct FindHit
    {
        TextRange range;
        TextRange selection;
        friend bool operator==(const FindHit &, const FindHit &) = default;
    };

    // The passage of the page that supports one claim: a range of the text layer, or of
    // the recognized text's search text with the glyphs it covers.
    struct Passage
    {
        int claim = -1;
        TextRange range;
        GlyphIndexSet glyphs;
        friend bool operator==(const Passage &, const Passage &) = default;
    };

    // Claims matched on the page's present text, by claim text: the passage or none.
    using KnownMatches = QHash<QString, std::optional<PassageMatch>>;

    // Adds items after Copy and Select All in a page's context menu (the pictures
    // found on the page). Process-wide; empty by default.
    using MenuExtension = std::function<void(SelectablePDFPageView &view, QMenu &menu)>;
    static void setMenuExtension(MenuExtension extension);

    // `cache` is the recognized-text cache to use; the process-wide one when null.
    explicit SelectablePDFPageView(QWidget *parent = nullptr, PreviewOCRCache *cache = nullptr);
    ~SelectablePDFPageView() override;

    // Takes the row's values: a new PDF page drops the selection, a new image starts
    // recognition when the page has no text layer, and find values redraw.
    void apply(const SelectablePDFPage &row);

    std::optional<QString> selectedText() const;
    // Keeps a selection only when it has text.
    void setPDFSelection(std::optional<TextRange> selection);
    // Keeps a glyph set only when its text, trimmed, is not empty.
    void setOCRSelection(std::optional<GlyphIndexSet> glyphs);
    void clearSelections();
    // The page has no usable text layer but recognized glyphs.
    bool usesRecognizedText() const;
    // Scrolls the enclosing scroll area to the active match (now or once sized).
    void revealActiveMatch();
    void copy();
    void selectAll();
    // The context menu with its items enabled as they apply now.
    QMenu *makeContextMenu(QWidget *parent);

    const QImage &pageImage() const { return m_pageImage; }
    const std::shared_ptr<PdfPage> &pdfPage() const { return m_pdfPage; }
    const QString &textKey() const { return m_textKey; }
    const QString &caption() const { return m_caption; }
    const QString &sourcePath() const { return m_sourcePath; }
    const std::optional<TextRange> &selection() const { return m_selection; }
    const std::optional<GlyphIndexSet> &ocrSelection() const { return m_ocrSelection; }
    const std::optional<RecognizedPageText> &recognized() const { return m_recognized; }
    SelectionGranularity granularity() const { return m_granularity; }
    DragMode dragMode() const { return m_dragMode; }
    const QList<FindHit> &findHits() const { return m_findHits; }
    // The passages found for the row's claims (claims without support have none).
    const QList<Passage> &passages() const { return m_passages; }
    int activeClaim() const { return m_activeClaim; }
    // True while the page flashes after a citation brought it into view.
    bool isFlashing() const { return m_flashesLeft > 0; }
    // Scrolls the enclosing list to the active claim's passage; once it is found, when
    // it isn't yet.
    void revealActivePassage();
    // The view rectangles of a passage.
    QList<QRectF> passageRects(const Passage &passage) const;
    // The recognition status shown over the page; empty while hidden.
    QString statusText() const;
    bool isRecognizing() const { return m_recognitionRunning; }

    // Page space for a point of the view; none when it doesn't map (see class note).
    std::optional<QPointF> pagePoint(QPointF viewPoint) const;
    // Normalized recognized-text coordinates for a point; none for a view without size.
    std::optional<QPointF> normalizedPoint(QPointF viewPoint) const;

    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

Q_SIGNALS:
    // The view shows another PDF page: what was found on the old one is stale.
    void pdfPageChanged();
    // The passages were found again (the claims or the page text changed).
    void passagesChanged();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    static MenuExtension &menuExtension();
    // The scroll area around the sidebar list, for autoscroll and reveal.
    QScrollArea *enclosingScrollArea() const;
    bool hasUsableTextLayer() const;
    const PdfTextLayer *textLayer() const;
    void pressed(QMouseEvent *event, bool doubleClick);
    void pressedInRecognizedText(QPointF point);
    void pressedInPage(QPointF point);
    bool isCopyOrSelectAll(const QKeyEvent *event) const;
    // Shift+Left/Right by a character, Shift+Up/Down to the start of a line.
    bool extendSelectionByKey(const QKeyEvent *event);
    // Characters of the text layer, or glyphs of the recognized text.
    qsizetype selectionUnitCount() const;
    qsizetype lineStartAfter(qsizetype caret) const;
    qsizetype lineStartBefore(qsizetype caret) const;
    qsizetype movedCaret(qsizetype caret, int key) const;
    void autoscroll(QPointF point);

    // Recognition of a page without a text layer.
    void updateRecognition();
    void cancelRecognition();
    void applyRecognized(const RecognizedPageText &text);
    void showStatus(const QString &english);
    void placeStatus();

    // Passages of the claims: found on a worker thread whenever the claims or the
    // page's text change, then drawn under the find highlights.
    void applyClaims(const SelectablePDFPage &row);
    void updatePassages();
    void paintPassages(QPainter &painter) const;
    void timerEvent(QTimerEvent *event) override;

    void rebuildFindHits(const QList<TextRange> &ranges);
    void requestReveal();

    QRectF viewRectForPage(const QRectF &pageRect) const;
    QRectF viewRectForNormalized(const QRectF &box) const;
    QList<QRectF> glyphRects(const GlyphIndexSet &glyphs) const;
    QList<QRectF> pdfSelectionRects(TextRange selection) const;

    PreviewOCRCache &m_cache;

    QImage m_pageImage;
    std::shared_ptr<PdfPage> m_pdfPage;
    std::shared_ptr<const PdfTextLayer> m_textLayer;
    QString m_textKey;
    QString m_caption;
    QString m_sourcePath;
    PassThroughLabel *m_statusLabel;
    QString m_statusEnglish;

    std::optional<TextRange> m_selection;
    std::optional<QPointF> m_anchorPoint; // page space
    std::optional<QPointF> m_ocrAnchor;   // view coordinates
    SelectionGranularity m_granularity = SelectionGranularity::character;
    DragMode m_dragMode = DragMode::none;

    // Recognition: the image it was asked for, the result, and a ticket that
    // cancels a waiting task when it moves on.
    std::optional<qint64> m_recognizedImage;
    std::optional<RecognizedPageText> m_recognized;
    bool m_recognitionRunning = false;
    quint64 m_recognitionTicket = 0;
    std::optional<GlyphIndexSet> m_ocrSelection;

    QList<FindHit> m_findHits;
    QList<TextRange> m_appliedFindRanges;
    std::shared_ptr<PdfPage> m_findHitsPage;
    bool m_findHitsBuilt = false;
    std::optional<TextRange> m_activeFindRange;
    GlyphIndexSet m_ocrFindGlyphs;
    GlyphIndexSet m_activeOCRFindGlyphs;
    qint64 m_consumedFindReveal = 0;
    bool m_pendingFindReveal = false;

    QList<SelectablePDFPage::Claim> m_claims;
    int m_activeClaim = -1;
    qint64 m_consumedClaimReveal = 0;
    bool m_pendingClaimReveal = false;
    QList<Passage> m_passages;
    // What the passages were found for: the claims and the text they were read in.
    QList<SelectablePDFPage::Claim> m_matchedClaims;
    quint64 m_matchedText = 0;
    quint64 m_textGeneration = 1; // counts up when the page's text changes
    quint64 m_passageTicket = 0;
    std::shared_ptr<const PassageIndex> m_passageIndex;
    KnownMatches m_knownMatches;
    QBasicTimer m_flashTimer;
    int m_flashesLeft = 0;

    // Keyboard selection: where it started and where the caret is, between units.
    std::optional<qsizetype> m_keyAnchor;
    qsizetype m_keyCaret = 0;

    // Click counting: Qt reports double clicks but not triple ones.
    int m_clickCount = 0;
    quint64 m_lastPressTime = 0;
    QPointF m_lastPressPoint;
};

} // namespace tovik
