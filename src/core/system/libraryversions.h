#pragma once

#include <QList>
#include <QString>

namespace tovik {

// A library the application runs on and the version loaded at run time (the headers'
// version where the library has no function that tells).
struct LibraryVersion
{
    QString name;
    QString version;
    bool operator==(const LibraryVersion &) const = default;
};

// Qt, Poppler, QPDF, Tesseract, Leptonica, OpenCV, ICU and SQLite, in that order.
QList<LibraryVersion> libraryVersions();

} // namespace tovik
