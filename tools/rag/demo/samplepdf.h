#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

// Small PDFs made with Qt's own PDF writer, for the demo corpus, the tests of rag and its
// benchmark: text pages, pages that are only a scanned image, and pages with a picture.
// Needs a QGuiApplication (fonts).

struct SamplePage
{
    QString title;
    QStringList paragraphs;
    bool scanned = false; // the whole page is one image: no text layer
    QImage picture;       // drawn below the text, with its caption under it
    QString caption;
};

class SamplePdf final
{
public:
    static bool write(const QString &path, const QList<SamplePage> &pages);

    // An A4 page as a scanner would deliver it: slightly skewed, speckled, gray.
    static QImage scan(const SamplePage &page, int dpi = 200);
};
