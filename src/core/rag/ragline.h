#pragma once

#include <QString>
#include <QStringView>

namespace tovik {

// One line of a child's output as it is handed on: a view into the reader's buffer,
// valid during the call only, that can also be taken as a string of its own.
class RagLine final
{
public:
    // `whole`, when given, is the buffer `text` starts, and holds nothing the reader
    // still needs after this line.
    explicit RagLine(QStringView text, QString *whole = nullptr)
        : m_text(text)
        , m_whole(whole)
    {
    }

    QStringView text() const { return m_text; }
    // The line as a string of its own. A line that is all the reader holds (a huge
    // line read to its end) is handed over without a copy: the reader's buffer itself.
    // At most once per line.
    QString take() const;

private:
    QStringView m_text;
    QString *m_whole;
};

} // namespace tovik
