#pragma once

#include <QString>
#include <QStringView>

namespace tovik {

class RagLineSplitter;

// One line of a child's output as it is handed on: a view into the reader's buffer,
// valid during the call only, that can also be taken as a string of its own.
class RagLine final
{
public:
    explicit RagLine(QStringView text, RagLineSplitter *splitter = nullptr)
        : m_text(text)
        , m_splitter(splitter)
    {
    }

    QStringView text() const { return m_text; }
    // The line as a string of its own. A line that is all the reader holds (a huge
    // line read to its end) is handed over without a copy. At most once per line.
    QString take() const;

private:
    QStringView m_text;
    RagLineSplitter *m_splitter;
};

} // namespace tovik
