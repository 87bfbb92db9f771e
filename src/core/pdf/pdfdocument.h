#pragma once

#include "pdf/pdfpage.h"

#include <QString>

#include <memory>
#include <optional>

namespace tovik {

// An open PDF file.
//
// Threads: as PdfPage. A document may be opened on one thread and used on another;
// all calls on one document and its pages run one at a time.
class PdfDocument
{
public:
    virtual ~PdfDocument() = default;

    virtual int pageCount() const = 0;

    // The page at a 0-based index; null when the index is out of range or the page
    // cannot be read.
    virtual std::shared_ptr<PdfPage> page(int index) const = 0;

protected:
    PdfDocument() = default;
    Q_DISABLE_COPY_MOVE(PdfDocument)
};

// Why a file could not be opened as a PDF.
enum class PdfOpenFailure {
    unreadable, // missing, a folder, or no read permission
    notPdf,     // the file does not start like a PDF
    encrypted,  // a password is needed to read it
    damaged,    // looks like a PDF but the library cannot read it
};

struct PdfOpenResult
{
    std::shared_ptr<PdfDocument> document; // set exactly when failure is empty
    std::optional<PdfOpenFailure> failure;
};

// Opens a PDF file with the system PDF library (Poppler). Safe on any thread.
PdfOpenResult openPdfDocument(const QString &path);

} // namespace tovik
