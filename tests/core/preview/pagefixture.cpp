#include "pagefixture.h"

#include "core/pdf/pdffixtures.h"

#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

namespace tovik::test {

namespace {

TestPage openFirstPage(const QString &path)
{
    TestPage page;
    page.document = openPdfDocument(path).document;
    if (!page.document)
        return page;
    page.page = page.document->page(0);
    if (page.page)
        page.image = page.page->render(612);
    return page;
}

} // namespace

TestPage makeTextPage(const QTemporaryDir &dir, const QString &name, const QStringList &lines)
{
    const QString path = dir.filePath(name);
    if (!writeTextPdf(path, lines))
        return {};
    return openFirstPage(path);
}

TestPage makeScannedPage(const QTemporaryDir &dir, const QString &name, const QStringList &lines)
{
    const QString path = dir.filePath(name);
    if (!writeImagePdf(path, scannedTextImage(lines)))
        return {};
    return openFirstPage(path);
}

bool writeTextPagesPdf(const QString &path, const QStringList &pageTexts)
{
    LetterPdf pdf(path, QStringLiteral("DejaVu Sans"), 14);
    QPainter &painter = pdf.painter;
    if (!painter.isActive())
        return false;
    for (qsizetype index = 0; index < pageTexts.size(); ++index) {
        if (index > 0 && !pdf.writer.newPage())
            return false;
        const QStringList lines = pageTexts[index].split(QLatin1Char('\n'));
        for (qsizetype line = 0; line < lines.size(); ++line)
            painter.drawText(QPointF(72, 100 + 24 * line), lines[line]);
    }
    return painter.end();
}

QList<TestPage> makeTextPages(const QTemporaryDir &dir, const QString &name, const QStringList &pageTexts)
{
    const QString path = dir.filePath(name);
    QList<TestPage> pages;
    if (!writeTextPagesPdf(path, pageTexts))
        return pages;
    const std::shared_ptr<PdfDocument> document = openPdfDocument(path).document;
    for (int index = 0; document && index < document->pageCount(); ++index) {
        TestPage page{document, document->page(index), {}};
        page.image = page.page->render(153);
        pages.append(page);
    }
    return pages;
}

ScriptedRecognizer::ScriptedRecognizer(QList<Line> lines)
    : m_lines(std::move(lines))
{
}

std::optional<QList<TextObservation>> ScriptedRecognizer::recognize(const QImage &, const TextRecognitionRequest &,
                                                                    const std::atomic_bool *) const
{
    {
        QMutexLocker lock(&m_mutex);
        ++m_calls;
    }
    QList<TextObservation> observations;
    for (const Line &line : m_lines)
        observations.append({line.text, line.box, {}});
    return observations;
}

int ScriptedRecognizer::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

} // namespace tovik::test
