#include "system/libraryversions.h"

#include <leptonica/allheaders.h>
#include <opencv2/core/utility.hpp>
#include <poppler-version.h>
#include <qpdf/QPDF.hh>
#include <lz4.h>
#include <sqlite3.h>
#include <tesseract/baseapi.h>
#include <unicode/uversion.h>

namespace tovik {

namespace {

QString leptonicaVersion()
{
    char *text = getLeptonicaVersion();
    QString version = QString::fromLatin1(text);
    lept_free(text);
    // It says "leptonica-1.82.0".
    return version.mid(version.lastIndexOf(QLatin1Char('-')) + 1);
}

QString icuVersion()
{
    UVersionInfo info;
    u_getVersion(info);
    char text[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(info, text);
    return QString::fromLatin1(text);
}

} // namespace

QList<LibraryVersion> libraryVersions()
{
    return {
        {QStringLiteral("Qt"), QString::fromLatin1(qVersion())},
        {QStringLiteral("Poppler"), Poppler::Version::string()},
        {QStringLiteral("QPDF"), QString::fromStdString(QPDF::QPDFVersion())},
        {QStringLiteral("Tesseract"), QString::fromLatin1(tesseract::TessBaseAPI::Version())},
        {QStringLiteral("Leptonica"), leptonicaVersion()},
        {QStringLiteral("OpenCV"), QString::fromStdString(cv::getVersionString())},
        {QStringLiteral("ICU"), icuVersion()},
        {QStringLiteral("SQLite"), QString::fromLatin1(sqlite3_libversion())},
        {QStringLiteral("LZ4"), QString::fromLatin1(LZ4_versionString())},
    };
}

} // namespace tovik
