#pragma once

#include "picturescan/placedimage.h"

#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <QList>
#include <QTransform>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tovik {

class ContentProgram;

// Finds where the image XObjects of one PDF page land. Works like a minimal PDF
// interpreter that tracks nothing but the current transformation matrix (q, Q, cm,
// Do) and descends into form XObjects; it never decodes an image. One scanner per
// page, used once. Never throws: anything missing or malformed is skipped.
//
// Threads: a scanner may run on any thread, but the QPDF document it reads must not
// be used by another thread at the same time.
class PictureScanner final
{
public:
    // Streams scanned inside one another, the page's own contents included.
    static constexpr int maximumDepth = 8;
    // Hostile files can make a few bytes of forms expand into billions of operations
    // (a form drawing itself many times at every level) or a page of countless
    // images. Past these limits the scan stops and keeps what it found.
    static constexpr long long operationBudget = 1'000'000;
    static constexpr qsizetype maximumPlacedImages = 20'000;

    explicit PictureScanner(QPDFPageObjectHelper page);
    ~PictureScanner();
    Q_DISABLE_COPY_MOVE(PictureScanner)

    // The images in the order their Do operators run.
    QList<PlacedImage> scanPage();

private:
    void scan(const ContentProgram &program, const QPDFObjectHandle &resources);
    void run(const ContentProgram &program);
    void draw(const std::string &name);
    void recordImage(QPDFObjectHandle dictionary);
    void scanForm(QPDFObjectHandle form, QPDFObjectHandle dictionary);
    QPDFObjectHandle lookUpXObject(const std::string &name);
    std::shared_ptr<const ContentProgram> formProgram(QPDFObjectHandle form);
    QTransform current() const;

    QPDFPageObjectHelper m_page;
    // Graphics-state stack of transformation matrices; starts as one identity.
    std::vector<QTransform> m_stack{QTransform()};
    // Q never pops the stack below this size: the page's base matrix, or the
    // matrix a form was entered with.
    size_t m_stackFloor = 1;
    // Resources of the streams being scanned, innermost last: XObject names are
    // looked up from the innermost outwards.
    std::vector<QPDFObjectHandle> m_streams;
    // Every form parsed so far, by object, so that a form drawn again is replayed.
    std::map<QPDFObjGen, std::shared_ptr<const ContentProgram>> m_forms;
    QList<PlacedImage> m_placed;
    int m_depth = 0;
    QPDFObjectHandle m_pageResources;
    long long m_operationsLeft = operationBudget;
};

} // namespace tovik
