#pragma once

#include "pictures/pagepicture.h"
#include "pictures/picturescale.h"
#include "pictures/picturetool.h"
#include "ocr/textrecognizer.h"

#include <QImage>
#include <QMainWindow>
#include <QSizeF>

#include <memory>
#include <optional>

class QAction;
class QToolBar;

namespace tovik {

class PictureCanvasView;
class PictureScrollView;
class PictureStatusLabel;
class PictureZoomPopup;

// A picture from a PDF page in a window of its own: zoom (Fit, presets, pinch and
// Ctrl + wheel), a hand tool to move it, a text tool to select and copy the text
// recognized on it, and a pin that keeps it in front. Every open picture window is
// kept in a process-wide list until it closes, and is deleted then; nothing else
// owns it.
class PagePictureWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PagePictureWindow)

public:
    // `image` is drawn one pixel per point; `title` is used as given.
    PagePictureWindow(const QImage &image, const QString &title,
                      std::shared_ptr<TextRecognizer> recognizer = systemTextRecognizer(), QWidget *parent = nullptr);
    ~PagePictureWindow() override;

    // Renders `picture` of the page (from 0) of the PDF at `pdfPath` and shows it in a
    // new window titled `title` (see pictureWindowTitle). Null, and no window, when
    // the picture cannot be rendered.
    static PagePictureWindow *open(const QString &pdfPath, int pageIndex, const PagePicture &picture,
                                   const QString &title);
    // Shows an already rendered picture. Null, and no window, for a null image.
    static PagePictureWindow *open(const QImage &image, const QString &title);

    // The open picture windows, oldest first.
    static QList<PagePictureWindow *> openWindows();

    // The size of the window's content for a picture of `imageSize` points on a
    // screen whose available area is `available` (1280 × 800 when there is none).
    static QSize contentSizeFor(const QSizeF &imageSize, const std::optional<QSizeF> &available);

    std::optional<PictureTool> tool() const { return m_tool; }
    void setTool(std::optional<PictureTool> tool);
    void toggleHand();
    void toggleText();

    bool isPinned() const { return m_pinned; }
    void togglePin();

    PictureScale scale() const { return m_scale; }
    void setScale(const PictureScale &scale);
    // The magnification the scale stands for (the fitted one for "fit").
    double scaleValue() const;
    double fittedMagnification() const { return m_fittedMagnification; }
    void zoomIn();
    void zoomOut();

    PictureCanvasView *canvas() const { return m_canvas; }
    PictureScrollView *scrollView() const { return m_scrollView; }
    PictureStatusLabel *statusLabel() const { return m_statusLabel; }
    PictureZoomPopup *scalePopup() const { return m_scalePopup; }
    QToolBar *toolBar() const { return m_toolBar; }
    QAction *handAction() const { return m_handItem; }
    QAction *textAction() const { return m_textItem; }
    QAction *zoomOutAction() const { return m_zoomOutItem; }
    QAction *zoomInAction() const { return m_zoomInItem; }
    QAction *pinAction() const { return m_pinItem; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildToolbar();
    // Sizes the window for its picture and centres it on the main screen.
    void placeOnScreen();
    QAction *addItem(const QString &identifier);
    void retranslate();
    void refreshStatus();
    void refreshItems();
    void refreshZoomItems();
    void applyPin();
    void magnificationEnded();
    void viewResized();
    void leave();

    PictureScrollView *m_scrollView;
    PictureCanvasView *m_canvas;
    PictureStatusLabel *m_statusLabel;
    PictureZoomPopup *m_scalePopup;
    QToolBar *m_toolBar = nullptr;
    QAction *m_handItem = nullptr;
    QAction *m_textItem = nullptr;
    QAction *m_zoomOutItem = nullptr;
    QAction *m_zoomInItem = nullptr;
    QAction *m_pinItem = nullptr;

    bool m_pinned = false;
    std::optional<PictureTool> m_tool = PictureTool::hand;
    PictureScale m_scale = PictureScale::fit();
    double m_fittedMagnification = 1.0;
};

} // namespace tovik
