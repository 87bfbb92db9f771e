#pragma once

#include <QList>
#include <QString>

namespace ragtool {

// The text of one page (a slide for presentations; page 1 for documents without pages).
struct PageText
{
    int page = 1;
    QString text;
};

// What a reader took out of one file, before anything is stored.
struct ExtractedDocument
{
    QString kind; // "pdf", "image", "text", "markdown", "docx", "pptx"
    int pageCount = 0;
    QList<PageText> pages;
};

// A stored unit of retrieval: a few sentences from one page.
struct Passage
{
    int page = 1;
    QString body;

    bool operator==(const Passage &) const = default;
};

} // namespace ragtool
