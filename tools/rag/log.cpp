#include "log.h"

#include <cstdio>
#include <mutex>

namespace ragtool::log {

namespace {

std::mutex &outputMutex()
{
    static std::mutex mutex;
    return mutex;
}

// A message must stay one line, or its continuation would read as answer text.
QByteArray oneLine(const QString &text)
{
    QString flat = text;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return flat.toUtf8();
}

void write(std::FILE *stream, const char *prefix, const QString &message)
{
    const QByteArray line = QByteArray(prefix) + oneLine(message) + '\n';
    const std::lock_guard lock(outputMutex());
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fflush(stream);
}

} // namespace

void info(const QString &message)
{
    write(stderr, "INFO ", message);
}

void warning(const QString &message)
{
    write(stderr, "WARNING ", message);
}

void error(const QString &message)
{
    write(stderr, "ERROR ", message);
}

void print(const QString &line)
{
    write(stdout, "", line);
}

} // namespace ragtool::log
