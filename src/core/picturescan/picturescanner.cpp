#include "picturescan/picturescanner.h"

#include "picturescan/contentprogram.h"
#include "picturescan/picturerects.h"

#include <algorithm>
#include <cmath>

namespace tovik {

namespace {

// An integer, or else a real number.
bool readNumber(QPDFObjectHandle object, double &value)
{
    if (object.isInteger())
        value = double(object.getIntValue());
    else if (object.isReal())
        value = object.getNumericValue();
    else
        return false;
    return true;
}

QTransform matrixFromNumbers(const std::array<double, 6> &m)
{
    // PDF's [a b c d e f] maps x' = a·x + c·y + e, y' = b·x + d·y + f, which is
    // exactly QTransform's (m11, m12, m21, m22, dx, dy).
    return QTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

// The form's /Matrix when it is an array of exactly six numbers, else identity.
QTransform formMatrix(QPDFObjectHandle dictionary)
{
    QPDFObjectHandle array = dictionary.getKey("/Matrix");
    if (!array.isArray() || array.getArrayNItems() != 6)
        return QTransform();
    std::array<double, 6> m{};
    for (int i = 0; i < 6; ++i) {
        QPDFObjectHandle item = array.getArrayItem(i);
        if (!item.isNumber())
            return QTransform();
        m[size_t(i)] = item.getNumericValue();
    }
    return matrixFromNumbers(m);
}

} // namespace

PictureScanner::PictureScanner(QPDFPageObjectHelper page) : m_page(std::move(page)) {}

PictureScanner::~PictureScanner() = default;

QList<PlacedImage> PictureScanner::scanPage()
{
    try {
        QPDFObjectHandle resources = m_page.getAttribute("/Resources", false);
        if (resources.isDictionary())
            m_pageResources = resources;
    } catch (...) {
    }
    const ContentProgram program = ContentProgram::fromPage(m_page);
    scan(program, m_pageResources);
    return m_placed;
}

QTransform PictureScanner::current() const
{
    return m_stack.empty() ? QTransform() : m_stack.back();
}

void PictureScanner::scan(const ContentProgram &program, const QPDFObjectHandle &resources)
{
    if (m_depth >= maximumDepth)
        return;
    ++m_depth;
    m_streams.push_back(resources);
    run(program);
    m_streams.pop_back();
    --m_depth;
}

void PictureScanner::run(const ContentProgram &program)
{
    for (const ContentProgram::Step &step : program.steps) {
        if (m_operationsLeft <= 0)
            return;
        --m_operationsLeft;
        switch (step.op) {
        case ContentProgram::Op::save:
            m_stack.push_back(current());
            break;
        case ContentProgram::Op::restore:
            if (m_stack.size() > m_stackFloor)
                m_stack.pop_back();
            break;
        case ContentProgram::Op::concat:
            if (!m_stack.empty())
                m_stack.back() = matrixFromNumbers(program.matrices[step.argument]) * m_stack.back();
            break;
        case ContentProgram::Op::draw:
            draw(program.names[step.argument]);
            break;
        }
    }
}

QPDFObjectHandle PictureScanner::lookUpXObject(const std::string &name)
{
    for (auto it = m_streams.rbegin(); it != m_streams.rend(); ++it) {
        if (!it->isDictionary())
            continue;
        QPDFObjectHandle xobjects = it->getKey("/XObject");
        if (xobjects.isDictionary() && xobjects.hasKey(name))
            return xobjects.getKey(name);
    }
    return QPDFObjectHandle();
}

void PictureScanner::draw(const std::string &name)
{
    try {
        QPDFObjectHandle xobject = lookUpXObject(name);
        if (!xobject.isStream())
            return;
        QPDFObjectHandle dictionary = xobject.getDict();
        QPDFObjectHandle subtype = dictionary.getKey("/Subtype");
        if (!subtype.isName())
            return;
        const std::string kind = subtype.getName();
        if (kind == "/Image")
            recordImage(dictionary);
        else if (kind == "/Form")
            scanForm(xobject, dictionary);
    } catch (...) {
        // A damaged object skips this one drawing; the scan goes on.
    }
}

void PictureScanner::recordImage(QPDFObjectHandle dictionary)
{
    if (m_placed.size() >= maximumPlacedImages)
        return;
    QPDFObjectHandle mask = dictionary.getKey("/ImageMask");
    if (mask.isBool() && mask.getBoolValue())
        return;
    double width = 0;
    double height = 0;
    if (!readNumber(dictionary.getKey("/Width"), width) || !readNumber(dictionary.getKey("/Height"), height))
        return;
    if (!std::isfinite(width) || !std::isfinite(height) || width < 2 || height < 2)
        return;
    // mapRect of the unit square is the bounding box of its four mapped corners.
    const QRectF box = current().mapRect(QRectF(0, 0, 1, 1));
    if (!picturerects::isFinite(box) || !(box.width() > 0.5 && box.height() > 0.5))
        return;
    m_placed.append({box, std::max(width / box.width(), height / box.height())});
}

std::shared_ptr<const ContentProgram> PictureScanner::formProgram(QPDFObjectHandle form)
{
    const QPDFObjGen id = form.getObjGen();
    if (id.getObj() == 0)
        return std::make_shared<const ContentProgram>(ContentProgram::fromStream(form));
    auto found = m_forms.find(id);
    if (found == m_forms.end())
        found = m_forms.emplace(id, std::make_shared<const ContentProgram>(ContentProgram::fromStream(form))).first;
    return found->second;
}

void PictureScanner::scanForm(QPDFObjectHandle form, QPDFObjectHandle dictionary)
{
    QPDFObjectHandle resources = dictionary.getKey("/Resources");
    if (!resources.isDictionary())
        resources = m_pageResources;
    if (!resources.isDictionary() || m_streams.empty())
        return;
    // Deeper levels are cut off anyway; do not even parse them.
    if (m_depth >= maximumDepth)
        return;
    const std::shared_ptr<const ContentProgram> program = formProgram(form);
    const QTransform matrix = formMatrix(dictionary) * current();

    // Whatever q and Q inside the form do, the caller's state comes back, and an
    // unmatched Q in the form cannot pop a state the caller pushed.
    struct Restore
    {
        PictureScanner &scanner;
        size_t size = scanner.m_stack.size();
        size_t floor = scanner.m_stackFloor;
        ~Restore()
        {
            scanner.m_stack.resize(size);
            scanner.m_stackFloor = floor;
        }
    } restore{*this};
    m_stack.push_back(matrix);
    m_stackFloor = m_stack.size();
    scan(*program, resources);
}

} // namespace tovik
