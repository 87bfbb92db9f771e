#include "preview/pageocrjob.h"

#include "system/logcategories.h"

#include <QElapsedTimer>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace tovik {

namespace {

// Normalized boxes have y growing upwards, so QRectF's bottom() is the top edge.
qreal topOf(const QRectF &box)
{
    return box.normalized().bottom();
}

qreal bottomOf(const QRectF &box)
{
    return box.normalized().top();
}

bool sameVisualLine(const QRectF &member, const QRectF &candidate)
{
    const qreal minHeight = qMin(member.normalized().height(), candidate.normalized().height());
    if (!(minHeight > 0.0001))
        return false;
    const qreal overlap = qMin(topOf(member), topOf(candidate)) - qMax(bottomOf(member), bottomOf(candidate));
    return overlap / minHeight >= 0.45;
}

} // namespace

PageOCRJob::PageOCRJob(QImage image, TextRecognitionRequest request, std::shared_ptr<TextRecognizer> recognizer)
    : m_image(std::move(image))
    , m_request(std::move(request))
    , m_recognizer(std::move(recognizer))
{
}

std::optional<RecognizedPageText> PageOCRJob::run() const
{
    if (!m_recognizer || m_cancelled)
        return std::nullopt;
    qCDebug(lcOcr) << "recognizing a" << m_image.width() << "x" << m_image.height() << "page picture";
    QElapsedTimer clock;
    clock.start();
    const std::optional<QList<TextObservation>> observations = m_recognizer->recognize(m_image, m_request, &m_cancelled);
    if (!observations || m_cancelled) {
        qCDebug(lcOcr) << "recognition" << (m_cancelled ? "cancelled" : "failed") << "after" << clock.elapsed() << "ms";
        return std::nullopt;
    }
    qCInfo(lcOcr) << "recognized" << observations->size() << "text pieces in" << clock.elapsed() << "ms";
    return assemble(*observations);
}

QList<TextObservation> PageOCRJob::visualOrder(QList<TextObservation> observations)
{
    std::stable_sort(observations.begin(), observations.end(), [](const TextObservation &a, const TextObservation &b) {
        const qreal topA = topOf(a.bounds);
        const qreal topB = topOf(b.bounds);
        if (qAbs(topA - topB) > 0.002)
            return topA > topB;
        return a.bounds.normalized().left() < b.bounds.normalized().left();
    });

    QList<QList<TextObservation>> groups;
    for (TextObservation &observation : observations) {
        QList<TextObservation> *home = nullptr;
        for (QList<TextObservation> &group : groups) {
            const bool joins = std::any_of(group.cbegin(), group.cend(), [&](const TextObservation &member) {
                return sameVisualLine(member.bounds, observation.bounds);
            });
            if (joins) {
                home = &group;
                break;
            }
        }
        if (home)
            home->append(std::move(observation));
        else
            groups.append({std::move(observation)});
    }

    QList<TextObservation> ordered;
    ordered.reserve(observations.size());
    for (QList<TextObservation> &group : groups) {
        std::stable_sort(group.begin(), group.end(), [](const TextObservation &a, const TextObservation &b) {
            return a.bounds.normalized().left() < b.bounds.normalized().left();
        });
        for (TextObservation &observation : group)
            ordered.append(std::move(observation));
    }
    return ordered;
}

QList<RecognizedPageText::Glyph> PageOCRJob::glyphsOf(const TextObservation &observation, qint64 lineID)
{
    const QString &text = observation.text;
    QList<RecognizedPageText::Glyph> glyphs;
    if (text.isEmpty())
        return glyphs;

    QList<bool> measured;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end > start; end = graphemes.toNextBoundary()) {
        RecognizedPageText::Glyph glyph{text.mid(start, end - start), {}, lineID};
        const std::optional<QRectF> box = observation.boundingBox(start, end - start);
        const bool hasBox = box && box->width() > 0 && box->height() > 0;
        if (hasBox)
            glyph.bounds = *box;
        glyphs.append(std::move(glyph));
        measured.append(hasBox);
        start = end;
    }

    const QRectF line = observation.bounds.normalized();
    const bool noneMeasured = !measured.contains(true);
    const qsizetype count = glyphs.size();
    for (qsizetype j = 0; j < count; ++j) {
        if (measured[j])
            continue;
        if (noneMeasured && line.width() > 0) {
            const qreal width = line.width() / count;
            glyphs[j].bounds = QRectF(line.left() + line.width() * j / count, line.top(), width, line.height());
        } else {
            glyphs[j].bounds = observation.bounds;
        }
    }
    return glyphs;
}

RecognizedPageText PageOCRJob::assemble(const QList<TextObservation> &observations)
{
    QList<RecognizedPageText::Glyph> glyphs;
    qint64 lineID = 0;
    for (const TextObservation &observation : visualOrder(observations)) {
        const QList<RecognizedPageText::Glyph> line = glyphsOf(observation, lineID);
        if (line.isEmpty())
            continue;
        glyphs.append(line);
        ++lineID;
    }
    return RecognizedPageText(std::move(glyphs));
}

} // namespace tovik
