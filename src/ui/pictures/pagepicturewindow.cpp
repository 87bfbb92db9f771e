#include "pictures/pagepicturewindow.h"

#include "widgets/staysontop.h"

#include "i18n/translate.h"
#include "language/localefollower.h"
#include "language/retranslate.h"
#include "pictures/picturecanvasview.h"
#include "pictures/picturescrollview.h"
#include "pictures/picturestatuslabel.h"
#include "pictures/picturezoom.h"
#include "pictures/picturezoompopup.h"
#include "picturescan/pagepicturedocument.h"
#include "widgets/readablecolors.h"
#include "widgets/symbolicon.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QUuid>

namespace tovik {

namespace {

QList<QPointer<PagePictureWindow>> &registry()
{
    static QList<QPointer<PagePictureWindow>> windows;
    return windows;
}

void forget(PagePictureWindow *window)
{
    registry().removeIf([window](const QPointer<PagePictureWindow> &entry) { return !entry || entry == window; });
}

struct ItemText
{
    const char *identifier;
    const char *label;
    const char *help;
};

constexpr ItemText itemTexts[] = {
    {"picture.hand", "Hand", "Drag to move the picture"},
    {"picture.text", "Select Text", "Select text on the picture"},
    {"picture.zoomOut", "Zoom Out", "Zoom Out"},
    {"picture.zoomIn", "Zoom In", "Zoom In"},
    {"picture.pin", "Pin", "Keep the picture in front of other windows"},
};

// The window keeps its white background on a dark desktop: its symbols follow its own palette.
QIcon toolbarIcon(const QWidget *window, const QString &symbol)
{
    return symbolIcon(symbol, window);
}

} // namespace

PagePictureWindow::PagePictureWindow(const QImage &image, const QString &title,
                                     std::shared_ptr<TextRecognizer> recognizer, QWidget *parent)
    : QMainWindow(parent, Qt::Window)
    , m_scrollView(new PictureScrollView(this))
    , m_canvas(new PictureCanvasView(image, std::move(recognizer)))
    , m_statusLabel(new PictureStatusLabel(m_scrollView))
    , m_scalePopup(new PictureZoomPopup(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    QPalette white = palette();
    // Dark text and symbols on the white window, whatever the desktop's palette.
    for (const auto role : {QPalette::Window, QPalette::Base})
        white.setColor(role, Qt::white);
    for (const auto role : {QPalette::WindowText, QPalette::Text})
        white.setColor(role, Qt::black);
    makeSecondaryTextReadable(white);
    setPalette(white);
    setContextMenuPolicy(Qt::NoContextMenu);

    m_canvas->setAccessibleName(title);
    m_scrollView->setAccessibleName(title);
    m_scrollView->setContent(m_canvas, m_canvas->imageSize());
    m_scrollView->setMinimumSize(int(PictureZoom::minimumContentWidth), int(PictureZoom::minimumContentHeight));
    setCentralWidget(m_scrollView);
    buildToolbar();

    connect(m_canvas, &PictureCanvasView::statusChanged, this, &PagePictureWindow::refreshStatus);
    connect(m_canvas, &PictureCanvasView::dragged, m_scrollView, &PictureScrollView::autoscroll);
    connect(m_scrollView, &PictureScrollView::liveMagnificationEnded, this, &PagePictureWindow::magnificationEnded);
    connect(m_scrollView, &PictureScrollView::resized, this, &PagePictureWindow::viewResized);
    connect(m_scalePopup, &PictureZoomPopup::scaleChosen, this, &PagePictureWindow::setScale);

    followInterfaceLocale(this);
    followLanguage(this, [this] { retranslate(); });
    setTool(PictureTool::hand);
    placeOnScreen();
    setScale(PictureScale::fit());
    registry().append(this);
}

PagePictureWindow::~PagePictureWindow()
{
    forget(this);
}

PagePictureWindow *PagePictureWindow::open(const QString &pdfPath, int pageIndex, const PagePicture &picture,
                                           const QString &title)
{
    const std::unique_ptr<PagePictureDocument> document = PagePictureDocument::open(pdfPath);
    if (!document)
        return nullptr;
    return open(document->renderPicture(picture, pageIndex), title);
}

PagePictureWindow *PagePictureWindow::open(const QImage &image, const QString &title)
{
    if (image.isNull())
        return nullptr;
    auto *window = new PagePictureWindow(image, title);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void PagePictureWindow::placeOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize content = contentSizeFor(m_canvas->imageSize(),
                                         screen ? std::optional<QSizeF>(screen->availableGeometry().size()) : std::nullopt);
    // The toolbar sits above the content, as a title bar's toolbar does: measure what
    // it takes once laid out.
    resize(content);
    layout()->activate();
    const QSize size = content + (this->size() - m_scrollView->size());
    if (screen)
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, screen->availableGeometry()));
    else
        resize(size);
}

QList<PagePictureWindow *> PagePictureWindow::openWindows()
{
    QList<PagePictureWindow *> windows;
    for (const QPointer<PagePictureWindow> &window : std::as_const(registry())) {
        if (window)
            windows.append(window);
    }
    return windows;
}

QSize PagePictureWindow::contentSizeFor(const QSizeF &imageSize, const std::optional<QSizeF> &available)
{
    const QSizeF screen = available.value_or(QSizeF(PictureZoom::fallbackScreenWidth, PictureZoom::fallbackScreenHeight));
    return PictureZoom::openingContentSize(imageSize, screen).toSize();
}

void PagePictureWindow::buildToolbar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("PagePicture-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, m_toolBar);

    const auto addSpacer = [this] {
        auto *spacer = new QWidget(m_toolBar);
        spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        m_toolBar->addWidget(spacer);
    };
    addSpacer();
    m_handItem = addItem(QStringLiteral("picture.hand"));
    m_handItem->setCheckable(true);
    connect(m_handItem, &QAction::triggered, this, &PagePictureWindow::toggleHand);
    m_textItem = addItem(QStringLiteral("picture.text"));
    m_textItem->setCheckable(true);
    connect(m_textItem, &QAction::triggered, this, &PagePictureWindow::toggleText);
    m_zoomOutItem = addItem(QStringLiteral("picture.zoomOut"));
    connect(m_zoomOutItem, &QAction::triggered, this, &PagePictureWindow::zoomOut);
    m_zoomInItem = addItem(QStringLiteral("picture.zoomIn"));
    connect(m_zoomInItem, &QAction::triggered, this, &PagePictureWindow::zoomIn);
    m_toolBar->addWidget(m_scalePopup)->setObjectName(QStringLiteral("picture.scale"));
    m_pinItem = addItem(QStringLiteral("picture.pin"));
    // Pressed while pinned: the icon theme has no filled pin to tell the states apart.
    m_pinItem->setCheckable(true);
    connect(m_pinItem, &QAction::triggered, this, &PagePictureWindow::togglePin);
    addSpacer();
}

QAction *PagePictureWindow::addItem(const QString &identifier)
{
    auto *item = new QAction(this);
    item->setObjectName(identifier);
    m_toolBar->addAction(item);
    return item;
}

void PagePictureWindow::retranslate()
{
    for (const ItemText &text : itemTexts) {
        auto *item = findChild<QAction *>(QLatin1String(text.identifier), Qt::FindDirectChildrenOnly);
        if (!item)
            continue;
        item->setText(translate(QString::fromUtf8(text.label)));
        item->setIconText(item->text());
        item->setToolTip(translate(QString::fromUtf8(text.help)));
    }
    m_handItem->setIcon(toolbarIcon(this, QStringLiteral("hand.raised")));
    m_textItem->setIcon(toolbarIcon(this, QStringLiteral("character.cursor.ibeam")));
    m_zoomOutItem->setIcon(toolbarIcon(this, QStringLiteral("minus.magnifyingglass")));
    m_zoomInItem->setIcon(toolbarIcon(this, QStringLiteral("plus.magnifyingglass")));
    m_scalePopup->retranslate();
    refreshStatus();
    refreshItems();
}

void PagePictureWindow::refreshStatus()
{
    const std::optional<QString> &english = m_canvas->statusEnglish();
    m_statusLabel->showText(english ? std::optional<QString>(translate(*english)) : std::nullopt);
}

void PagePictureWindow::refreshItems()
{
    m_handItem->setChecked(m_tool == PictureTool::hand);
    m_textItem->setChecked(m_tool == PictureTool::text);
    m_pinItem->setChecked(m_pinned);
    m_pinItem->setIcon(toolbarIcon(this, m_pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin")));
}

void PagePictureWindow::refreshZoomItems()
{
    const double value = scaleValue();
    m_zoomOutItem->setEnabled(PictureZoom::canZoomOut(value));
    m_zoomInItem->setEnabled(PictureZoom::canZoomIn(value));
}

void PagePictureWindow::setTool(std::optional<PictureTool> tool)
{
    m_scrollView->endPan();
    m_tool = tool;
    m_scrollView->setPanningEnabled(tool == PictureTool::hand);
    refreshItems();
    if (tool == PictureTool::text)
        m_scrollView->setPointer(Qt::IBeamCursor);
    else if (tool == PictureTool::hand)
        m_scrollView->setPointer(Qt::OpenHandCursor);
    else
        m_scrollView->setPointer(std::nullopt);
    m_canvas->setTextTool(tool == PictureTool::text);
    if (tool == PictureTool::text) {
        m_canvas->setFocus(Qt::OtherFocusReason);
        m_canvas->requestRecognition();
    }
}

void PagePictureWindow::toggleHand()
{
    setTool(m_tool == PictureTool::hand ? std::nullopt : std::optional(PictureTool::hand));
}

void PagePictureWindow::toggleText()
{
    setTool(m_tool == PictureTool::text ? std::nullopt : std::optional(PictureTool::text));
}

void PagePictureWindow::togglePin()
{
    m_pinned = !m_pinned;
    refreshItems();
    applyPin();
}

void PagePictureWindow::applyPin()
{
    setStaysOnTop(this, m_pinned);
}

double PagePictureWindow::scaleValue() const
{
    return PictureZoom::value(m_scale, m_fittedMagnification);
}

void PagePictureWindow::setScale(const PictureScale &scale)
{
    m_scale = scale;
    if (const std::optional<int> percent = scale.percentage()) {
        m_scrollView->setMagnification(*percent / 100.0);
    } else {
        if (layout())
            layout()->activate();
        if (const std::optional<double> fitted = m_scrollView->magnifyToFit())
            m_fittedMagnification = *fitted;
    }
    m_scalePopup->showScale(m_scale);
    refreshZoomItems();
}

void PagePictureWindow::zoomIn()
{
    if (const std::optional<int> target = PictureZoom::zoomInTarget(scaleValue()))
        setScale(PictureScale::percent(*target));
}

void PagePictureWindow::zoomOut()
{
    if (const std::optional<int> target = PictureZoom::zoomOutTarget(scaleValue()))
        setScale(PictureScale::percent(*target));
}

void PagePictureWindow::magnificationEnded()
{
    // Settle exactly on the scale the pop-up will show.
    setScale(PictureZoom::scaleAfterMagnification(m_scrollView->magnification()));
}

void PagePictureWindow::viewResized()
{
    if (m_scale.isFit())
        setScale(PictureScale::fit());
    if (m_statusLabel->isVisible())
        m_statusLabel->place();
}

void PagePictureWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        leave();
}

void PagePictureWindow::leave()
{
    m_scrollView->endPan();
    m_canvas->cancelRecognition();
    forget(this);
}

} // namespace tovik
