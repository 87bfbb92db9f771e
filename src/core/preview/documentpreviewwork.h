#pragma once

// Internals shared by the two halves of DocumentPreviewModel (state and load steps).

#include "preview/documentpreviewmodel.h"

#include <QPromise>
#include <QTimer>

namespace tovik {

// A page ready to show (a problem or a cached image), or one still to render.
struct DocumentPreviewModel::PageWork
{
    std::optional<RenderedPage> done;
    QString path;
    QString key;
    qint64 page = 0;
    std::shared_ptr<PdfDocument> document;
    std::shared_ptr<PdfPage> pdfPage; // set when the page still has to be rendered
};

// One page render on the worker, shared by every load step waiting for that page of
// that opened document.
struct DocumentPreviewModel::PendingRender
{
    PageWork work;
    QList<std::function<void(const RenderedPage &)>> waiters;
};

// The state one load carries from step to step.
struct DocumentPreviewModel::LoadRun
{
    qint64 generation = 0;
    QString key;
    QString directory;
    QList<CitedPage> cited;
    QStringList filenames;
    QHash<QString, QList<qint64>> pagesByFile; // cited pages of each file, in answer order
    QHash<QString, QStringList> sourcePaths;
    QTimer *lookupTimer = nullptr; // while the lookup runs: its time-out
    QList<CitedDocument> working; // published as groups as it grows
    // While every finished document equals the one shown at its place, the run is only
    // redoing the shown list (an answer that grew reloads from the first file) and
    // publishing would take the shown list apart and build it again.
    bool redoing = true;
    qsizetype rows = 0; // headers and pages in working
    qsizetype file = -1;          // index into filenames and working
    QList<qint64> pages;          // cited pages of the current file
    qsizetype pageIndex = 0;
    std::shared_ptr<PdfDocument> document;
    QPromise<void> promise;
};

// The cited pages as filename, line feed, page, joined by U+001E, then U+001F and
// the working directory.
QString loadKeyFor(const QList<CitedPage> &cited, const QString &workingDirectory);

// Renders `page` `width` pixels wide. An all-gray page (most text pages) is kept as
// 8-bit gray, a quarter of the memory. Safe on any thread.
QImage renderPreviewImage(const PdfPage &page, int width);

} // namespace tovik
