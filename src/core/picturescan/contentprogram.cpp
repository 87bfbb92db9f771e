#include "picturescan/contentprogram.h"

#include <deque>
#include <limits>

namespace tovik {

namespace {

// Collects the steps while QPDF tokenizes. Only the last six operands matter to any
// operator kept here, so no more are held however long the operand run is.
class StepCollector final : public QPDFObjectHandle::ParserCallbacks
{
public:
    explicit StepCollector(ContentProgram &program) : m_program(program) {}

    using QPDFObjectHandle::ParserCallbacks::handleObject;

    void handleObject(QPDFObjectHandle object, size_t, size_t) override
    {
        if (!object.isOperator()) {
            m_operands.push_back(object);
            if (m_operands.size() > 6)
                m_operands.pop_front();
            return;
        }
        const std::string op = object.getOperatorValue();
        if (op == "q")
            add(ContentProgram::Op::save, 0);
        else if (op == "Q")
            add(ContentProgram::Op::restore, 0);
        else if (op == "cm")
            addConcat();
        else if (op == "Do")
            addDraw();
        m_operands.clear();
    }

    void handleEOF() override {}

private:
    void add(ContentProgram::Op op, size_t argument)
    {
        if (argument > std::numeric_limits<std::uint32_t>::max())
            return;
        m_program.steps.push_back({op, std::uint32_t(argument)});
    }

    void addConcat()
    {
        if (m_operands.size() < 6)
            return;
        std::array<double, 6> m{};
        for (size_t i = 0; i < 6; ++i) {
            QPDFObjectHandle &operand = m_operands[m_operands.size() - 6 + i];
            if (!operand.isNumber())
                return;
            m[i] = operand.getNumericValue();
        }
        m_program.matrices.push_back(m);
        add(ContentProgram::Op::concat, m_program.matrices.size() - 1);
    }

    void addDraw()
    {
        if (m_operands.empty() || !m_operands.back().isName())
            return;
        m_program.names.push_back(m_operands.back().getName());
        add(ContentProgram::Op::draw, m_program.names.size() - 1);
    }

    ContentProgram &m_program;
    std::deque<QPDFObjectHandle> m_operands;
};

} // namespace

ContentProgram ContentProgram::fromPage(QPDFPageObjectHelper &page)
{
    ContentProgram program;
    try {
        StepCollector collector(program);
        page.parseContents(&collector);
    } catch (...) {
        // Keep what was read before the damage.
    }
    return program;
}

ContentProgram ContentProgram::fromStream(QPDFObjectHandle stream)
{
    ContentProgram program;
    try {
        StepCollector collector(program);
        QPDFObjectHandle::parseContentStream(stream, &collector);
    } catch (...) {
    }
    return program;
}

} // namespace tovik
