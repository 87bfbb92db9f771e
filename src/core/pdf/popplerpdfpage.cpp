#include "pdf/popplerpdfpage.h"

#include <poppler-qt6.h>

#include <QMutexLocker>

#include <cmath>

namespace tovik {

namespace {

int rotationOf(Poppler::Page::Orientation orientation)
{
    switch (orientation) {
    case Poppler::Page::Landscape:
        return 90;
    case Poppler::Page::UpsideDown:
        return 180;
    case Poppler::Page::Seascape:
        return 270;
    case Poppler::Page::Portrait:
        break;
    }
    return 0;
}

// Poppler gives one box per character; a character outside the Basic Multilingual
// Plane takes two UTF-16 units, and both get its box. If the counts disagree the
// word's box is shared out evenly instead.
QList<QRectF> unitBoxes(const Poppler::TextBox &word, const QTransform &toPage)
{
    const QString text = word.text();
    QList<QRectF> boxes;
    boxes.reserve(text.size());
    int character = 0;
    bool measured = true;
    for (qsizetype i = 0; i < text.size(); ++character) {
        const QRectF box = word.charBoundingBox(character);
        if (box.isNull()) {
            measured = false;
            break;
        }
        const QRectF mapped = toPage.mapRect(box);
        const qsizetype units = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        for (qsizetype u = 0; u < units; ++u)
            boxes.append(mapped);
        i += units;
    }
    if (measured)
        return boxes;
    boxes.clear();
    const QRectF whole = word.boundingBox();
    const qreal step = whole.width() / qMax<qsizetype>(text.size(), 1);
    for (qsizetype i = 0; i < text.size(); ++i)
        boxes.append(toPage.mapRect(QRectF(whole.left() + step * i, whole.top(), step, whole.height())));
    return boxes;
}

} // namespace

PopplerDocumentData::~PopplerDocumentData() = default;

PopplerPdfPage::PopplerPdfPage(std::shared_ptr<PopplerDocumentData> data, int index, std::unique_ptr<Poppler::Page> page)
    : m_data(std::move(data))
    , m_index(index)
    , m_page(std::move(page))
{
    m_geometry.rotation = rotationOf(m_page->orientation());
    const QSizeF displayed = m_page->pageSizeF();
    const QRectF shown(QPointF(0, 0), displayed);
    if (const std::optional<QTransform> toPage = popplerToPage(0))
        m_geometry.cropBox = toPage->mapRect(shown);
    else
        m_geometry.cropBox = m_geometry.rotation % 180 ? shown.transposed() : shown;
}

std::optional<QTransform> PopplerPdfPage::popplerToPage(int turns) const
{
    double ctm[6] = {1, 0, 0, 1, 0, 0};
    m_page->defaultCTM(ctm, 72, 72, turns * 90, true);
    const QTransform pageToPoppler(ctm[0], ctm[1], ctm[2], ctm[3], ctm[4], ctm[5]);
    bool invertible = false;
    const QTransform inverse = pageToPoppler.inverted(&invertible);
    if (!invertible)
        return std::nullopt;
    return inverse;
}

PopplerPdfPage::~PopplerPdfPage() = default;

QImage PopplerPdfPage::render(int pixelWidth) const
{
    const QSizeF displayed = m_geometry.displayedSize();
    // Under a point wide or high there is nothing to show, and the resolution
    // needed would be absurd.
    if (pixelWidth < 1 || !(displayed.width() >= 1) || !(displayed.height() >= 1))
        return {};
    const double height = std::round(pixelWidth * displayed.height() / displayed.width());
    if (!std::isfinite(height) || height > 32767)
        return {};
    const int pixelHeight = qMax(1, int(height));
    const double xres = 72.0 * pixelWidth / displayed.width();
    const double yres = 72.0 * pixelHeight / displayed.height();
    QMutexLocker lock(&m_data->mutex);
    QImage image = m_page->renderToImage(xres, yres, 0, 0, pixelWidth, pixelHeight);
    lock.unlock();
    if (image.isNull())
        return {};
    // Lets a text recognizer know the scale of the scan.
    image.setDotsPerMeterX(qRound(xres / 0.0254));
    image.setDotsPerMeterY(qRound(yres / 0.0254));
    return image;
}

std::shared_ptr<const PdfTextLayer> PopplerPdfPage::textLayer() const
{
    QMutexLocker lock(&m_data->mutex);
    if (!m_textLayer)
        m_textLayer = extractText();
    return m_textLayer;
}

std::shared_ptr<const PdfTextLayer> PopplerPdfPage::extractText() const
{
    // Poppler orders lines best when they run upright in the frame it reads them in.
    // On a turned page the content is usually upright before the turn (a page
    // turned in a viewer); a landscape scan is drawn sideways and upright after it.
    int upright = 0;
    int multiCharacter = 0;
    if (m_geometry.rotation != 0) {
        const int unturn = (4 - m_geometry.rotation / 90) % 4;
        QList<PdfTextLayer::Word> words = extractWords(unturn, &upright, &multiCharacter);
        if (upright * 2 >= multiCharacter)
            return std::make_shared<const PdfTextLayer>(words);
    }
    return std::make_shared<const PdfTextLayer>(extractWords(0, &upright, &multiCharacter));
}

QList<PdfTextLayer::Word> PopplerPdfPage::extractWords(int turns, int *uprightWords, int *longWords) const
{
    const QTransform toPage = popplerToPage(turns).value_or(QTransform());
    const std::vector<std::unique_ptr<Poppler::TextBox>> boxes = m_page->textList(Poppler::Page::Rotation(turns));
    QList<PdfTextLayer::Word> words;
    words.reserve(qsizetype(boxes.size()));
    *uprightWords = 0;
    *longWords = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Poppler::TextBox &box = *boxes[i];
        PdfTextLayer::Word word;
        word.text = box.text();
        word.unitBounds = unitBoxes(box, toPage);
        word.spaceAfter = box.hasSpaceAfter();
        // Poppler links the words of one line; the list runs on to the next line
        // where that link ends.
        const Poppler::TextBox *next = i + 1 < boxes.size() ? boxes[i + 1].get() : nullptr;
        word.endsLine = !box.nextWord() || box.nextWord() != next;
        words.append(std::move(word));

        const QRectF first = box.charBoundingBox(0);
        const QRectF last = box.charBoundingBox(int(box.text().toUcs4().size()) - 1);
        if (box.text().size() > 1 && !first.isNull() && !last.isNull()) {
            ++*longWords;
            const QPointF advance = last.center() - first.center();
            *uprightWords += advance.x() > qAbs(advance.y());
        }
    }
    return words;
}

} // namespace tovik
