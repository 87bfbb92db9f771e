#pragma once

#include "ocr/textrecognizer.h"
#include "preview/recognizedpagetext.h"

#include <QImage>
#include <QPointF>
#include <QWidget>

#include <memory>
#include <optional>

class QMenu;

namespace tovik {

class PictureTextRecognition;

// Draws the picture of a picture window at the size its scroll view gives it, with
// the selected recognized text on top, and selects and copies that text while the
// text tool is on: drag for characters, double click for a word, triple click for
// a line, Ctrl+C / Ctrl+A and a context menu. Recognition runs once, the first time
// the text tool is chosen.
class PictureCanvasView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureCanvasView)

public:
    enum class Granularity { character, word, line };

    PictureCanvasView(QImage image, std::shared_ptr<TextRecognizer> recognizer, QWidget *parent = nullptr);
    ~PictureCanvasView() override;

    const QImage &image() const { return m_image; }
    // The picture's size in points (one image pixel is one point).
    QSizeF imageSize() const { return QSizeF(m_image.size()); }

    // Clicks reach the canvas only while the text tool is on; otherwise they fall
    // through to the scroll view, which pans.
    void setTextTool(bool on);
    bool textTool() const { return m_textTool; }

    // Starts recognizing the picture unless that was done before.
    void requestRecognition();
    bool didRequestOCR() const { return m_didRequestOCR; }
    void cancelRecognition();
    const std::optional<RecognizedPageText> &recognized() const { return m_recognized; }

    const std::optional<GlyphIndexSet> &selection() const { return m_selection; }
    // The selected text, trimmed; empty when nothing is selected.
    QString selectedText() const;
    void copy();
    void selectAll();
    // "Copy" and "Select All", enabled as they apply now.
    std::unique_ptr<QMenu> contextMenu();

    // The untranslated status note, for the window to translate and show.
    const std::optional<QString> &statusEnglish() const { return m_statusEnglish; }

Q_SIGNALS:
    void statusChanged();
    // A text drag reached `parentPoint` (the viewport's coordinates); the view may scroll.
    void dragged(QPoint parentPoint);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void press(QMouseEvent *event, int clickCount);
    int clickCountFor(const QMouseEvent *event) const;
    void storeSelection(std::optional<GlyphIndexSet> selection);
    void applyRecognized(const RecognizedPageText &text);
    void setStatus(std::optional<QString> english);
    bool hasGlyphs() const { return m_recognized && !m_recognized->isEmpty(); }
    static bool isCommandKey(const QKeyEvent *event, Qt::Key key);
    // Shift+arrows: grows or shrinks the selection from an anchor, glyph by glyph and line
    // by line. False for any other key, or with no recognized text.
    bool extendSelectionByKey(const QKeyEvent *event);

    QImage m_image;
    PictureTextRecognition *m_recognition;
    bool m_textTool = false;
    bool m_didRequestOCR = false;
    std::optional<RecognizedPageText> m_recognized;
    std::optional<GlyphIndexSet> m_selection;
    std::optional<QPointF> m_anchor; // normalized, so it survives zooming mid-drag
    std::optional<qsizetype> m_keyAnchor; // where Shift+arrow selection started, between glyphs
    qsizetype m_keyCaret = 0;
    Granularity m_granularity = Granularity::character;
    std::optional<QString> m_statusEnglish;

    // Triple clicks: Qt reports the second click of a series only.
    int m_lastClickCount = 0;
    quint64 m_lastClickTime = 0;
    QPointF m_lastClickPoint;
};

} // namespace tovik
