#pragma once

#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tovik {

// The part of a content stream that decides where images land: q, Q, cm (with its
// six numbers) and Do (with its name), in stream order. Everything else, and every
// q/cm/Do whose operands are not what the operator needs, is left out. A form used
// many times on a page is parsed once and replayed from this.
class ContentProgram final
{
public:
    enum class Op : std::uint8_t { save, restore, concat, draw };

    struct Step
    {
        Op op;
        // Index into matrices (concat) or names (draw); unused otherwise.
        std::uint32_t argument = 0;
    };

    std::vector<Step> steps;
    std::vector<std::array<double, 6>> matrices;
    std::vector<std::string> names;

    // Parses a page's contents (one stream or an array of them). Never throws: a
    // stream that cannot be read or parsed contributes the steps met before the
    // failure, or none.
    static ContentProgram fromPage(QPDFPageObjectHelper &page);
    // The same for one form XObject stream.
    static ContentProgram fromStream(QPDFObjectHandle stream);
};

} // namespace tovik
