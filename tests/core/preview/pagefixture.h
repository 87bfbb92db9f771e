#pragma once

#include "pdf/pdfdocument.h"
#include "ocr/textrecognizer.h"

#include <QImage>
#include <QList>
#include <QMutex>
#include <QRectF>
#include <QStringList>

#include <memory>

class QTemporaryDir;

namespace tovik::test {

// A page made for a test, open and rendered.
struct TestPage
{
    std::shared_ptr<PdfDocument> document;
    std::shared_ptr<PdfPage> page;
    QImage image;
};

// A Letter page with a text layer (see writeTextPdf), rendered 612 pixels wide so
// that one pixel of the image is one point of the page.
TestPage makeTextPage(const QTemporaryDir &dir, const QString &name, const QStringList &lines);
// A Letter page that only holds a picture of `lines`: no text layer.
TestPage makeScannedPage(const QTemporaryDir &dir, const QString &name, const QStringList &lines);
// A Letter PDF with one page per text; a text's lines (split at line feeds) are drawn
// 24 points apart from 100 points below the top, at 14 pt.
bool writeTextPagesPdf(const QString &path, const QStringList &pageTexts);
// Every page of such a PDF, each rendered 153 pixels wide.
QList<TestPage> makeTextPages(const QTemporaryDir &dir, const QString &name, const QStringList &pageTexts);

// A recognizer that "reads" the lines it was given, whatever the image: each line's
// box is normalized (y up), and its characters share the box evenly.
class ScriptedRecognizer final : public TextRecognizer
{
public:
    struct Line
    {
        QString text;
        QRectF box;
    };

    explicit ScriptedRecognizer(QList<Line> lines = {});

    std::optional<QList<TextObservation>> recognize(const QImage &image, const TextRecognitionRequest &request,
                                                    const std::atomic_bool *cancelled) const override;

    int calls() const;

private:
    QList<Line> m_lines;
    mutable QMutex m_mutex;
    mutable int m_calls = 0;
};

} // namespace tovik::test
