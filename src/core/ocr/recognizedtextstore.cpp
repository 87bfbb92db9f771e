#include "ocr/recognizedtextstore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace tovik {

namespace {

constexpr char magic[8] = {'T', 'O', 'V', 'I', 'K', 'O', 'C', 'R'};
constexpr quint32 formatVersion = 1;
constexpr qsizetype digestBytes = 32; // SHA-256 of everything before it
// Larger files are not entries this store wrote: a dense page takes a few hundred KB.
constexpr qint64 largestEntry = qint64(64) << 20;
const QString suffix = QStringLiteral(".ocr");
// Once over the limit, entries go until the store is this share of it, so that not
// every later store has to evict again.
constexpr double evictTo = 0.9;

class Writer
{
public:
    void u32(quint32 value) { raw(qToLittleEndian(value)); }
    void i64(qint64 value) { raw(qToLittleEndian(value)); }
    void real(double value)
    {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        raw(qToLittleEndian(bits));
    }
    void rect(const QRectF &r)
    {
        real(r.x());
        real(r.y());
        real(r.width());
        real(r.height());
    }
    void text(const QString &s)
    {
        u32(quint32(s.size()));
        for (const QChar c : s)
            raw(qToLittleEndian(c.unicode()));
    }
    void bytes(const QByteArray &b) { m_out.append(b); }
    QByteArray &out() { return m_out; }

private:
    template<typename T>
    void raw(T value) { m_out.append(reinterpret_cast<const char *>(&value), sizeof value); }
    QByteArray m_out;
};

// Reads what Writer wrote; any read past the end, or a value no entry can hold, fails
// the whole entry.
class Reader
{
public:
    explicit Reader(QByteArrayView bytes)
        : m_bytes(bytes)
    {
    }

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_bytes.size(); }
    qsizetype remaining() const { return m_bytes.size() - m_at; }

    quint32 u32() { return qFromLittleEndian(raw<quint32>()); }
    qint64 i64() { return qFromLittleEndian(raw<qint64>()); }
    double real()
    {
        const quint64 bits = qFromLittleEndian(raw<quint64>());
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value))
            m_ok = false;
        return value;
    }
    QRectF rect()
    {
        const double x = real(), y = real(), w = real(), h = real();
        if (w < 0 || h < 0)
            m_ok = false;
        return QRectF(x, y, w, h);
    }
    QString text()
    {
        const quint32 size = u32();
        if (!m_ok || qsizetype(size) > remaining() / 2) {
            m_ok = false;
            return {};
        }
        QString s(qsizetype(size), Qt::Uninitialized);
        for (QChar &c : s)
            c = QChar(qFromLittleEndian(raw<char16_t>()));
        return s;
    }
    QByteArrayView bytes(qsizetype size)
    {
        if (!m_ok || size > remaining()) {
            m_ok = false;
            return {};
        }
        const QByteArrayView view = m_bytes.sliced(m_at, size);
        m_at += size;
        return view;
    }
    // A count of items that each take at least `itemBytes`: no more than could fit.
    quint32 count(qsizetype itemBytes)
    {
        const quint32 n = u32();
        if (!m_ok || qsizetype(n) > remaining() / itemBytes)
            m_ok = false;
        return m_ok ? n : 0;
    }

private:
    template<typename T>
    T raw()
    {
        T value{};
        if (!m_ok || remaining() < qsizetype(sizeof value)) {
            m_ok = false;
            return value;
        }
        std::memcpy(&value, m_bytes.data() + m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }

    QByteArrayView m_bytes;
    qsizetype m_at = 0;
    bool m_ok = true;
};

constexpr qsizetype rectBytes = 4 * 8;
constexpr qsizetype symbolBytes = 8 + 8 + rectBytes;
constexpr qsizetype lineBytes = 4 + rectBytes + 4;

bool validKey(const QByteArray &key)
{
    return !key.isEmpty() && key.size() <= 128
        && std::all_of(key.cbegin(), key.cend(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

void touch(const QString &path)
{
    // The modification time is the last use: the least recently used go first.
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, 0);
}

} // namespace

RecognizedTextStore::RecognizedTextStore(QString directory, qint64 limitBytes)
    : m_directory(std::move(directory))
    , m_limitBytes(limitBytes)
{
}

QString RecognizedTextStore::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/tovikRAGUI/recognized");
}

QString RecognizedTextStore::pathOf(const QByteArray &key) const
{
    return m_directory + QLatin1Char('/') + QString::fromLatin1(key) + suffix;
}

QByteArray RecognizedTextStore::encode(const QByteArray &key, const QList<TextObservation> &lines)
{
    Writer w;
    w.bytes(QByteArray(magic, sizeof magic));
    w.u32(formatVersion);
    w.u32(quint32(key.size()));
    w.bytes(key);
    w.u32(quint32(lines.size()));
    for (const TextObservation &line : lines) {
        w.text(line.text);
        w.rect(line.bounds);
        w.u32(quint32(line.symbols.size()));
        for (const TextObservation::Symbol &symbol : line.symbols) {
            w.i64(symbol.location);
            w.i64(symbol.length);
            w.rect(symbol.bounds);
        }
    }
    w.bytes(QCryptographicHash::hash(w.out(), QCryptographicHash::Sha256));
    return std::move(w.out());
}

std::optional<QList<TextObservation>> RecognizedTextStore::decode(const QByteArray &key, const QByteArray &bytes)
{
    if (bytes.size() < qsizetype(sizeof magic) + digestBytes)
        return std::nullopt;
    const QByteArrayView body = QByteArrayView(bytes).chopped(digestBytes);
    if (QCryptographicHash::hash(body, QCryptographicHash::Sha256) != QByteArrayView(bytes).last(digestBytes))
        return std::nullopt;
    Reader r(body);
    if (r.bytes(sizeof magic) != QByteArrayView(magic, sizeof magic) || r.u32() != formatVersion)
        return std::nullopt;
    if (r.bytes(r.u32()) != key)
        return std::nullopt; // filed under another key
    QList<TextObservation> lines(r.count(lineBytes));
    for (TextObservation &line : lines) {
        line.text = r.text();
        line.bounds = r.rect();
        line.symbols.resize(r.count(symbolBytes));
        for (TextObservation::Symbol &symbol : line.symbols) {
            symbol.location = r.i64();
            symbol.length = r.i64();
            symbol.bounds = r.rect();
            if (symbol.location < 0 || symbol.location > line.text.size() || symbol.length < 0
                || symbol.length > line.text.size() - symbol.location)
                return std::nullopt;
        }
        if (!r.ok())
            return std::nullopt;
    }
    if (!r.ok() || !r.atEnd())
        return std::nullopt;
    return lines;
}

std::optional<QList<TextObservation>> RecognizedTextStore::find(const QByteArray &key) const
{
    if (!validKey(key))
        return std::nullopt;
    const QString path = pathOf(key);
    QFile file(path);
    // Only a regular file is read: nothing here may block on a pipe or a device.
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || info.isSymLink())
        return std::nullopt;
    std::optional<QList<TextObservation>> lines;
    if (info.size() <= largestEntry && file.open(QIODevice::ReadOnly))
        lines = decode(key, file.readAll());
    if (!lines) {
        // Not to be trusted, and in the way of a good entry: gone, and no longer counted.
        std::lock_guard lock(m_mutex);
        if (QFile::remove(path) && m_size)
            *m_size = std::max<qint64>(0, *m_size - info.size());
        return std::nullopt;
    }
    touch(path);
    return lines;
}

void RecognizedTextStore::store(const QByteArray &key, const QList<TextObservation> &lines)
{
    if (!validKey(key) || !QDir().mkpath(m_directory))
        return;
    const QByteArray bytes = encode(key, lines);
    const QString path = pathOf(key);
    std::lock_guard lock(m_mutex);
    const qint64 before = countedSize();
    const qint64 replaced = QFileInfo(path).isFile() ? QFileInfo(path).size() : 0;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return;
    m_size = before - replaced + bytes.size();
    if (*m_size > m_limitBytes)
        evict();
}

qint64 RecognizedTextStore::sizeBytes() const
{
    std::lock_guard lock(m_mutex);
    return countedSize();
}

qint64 RecognizedTextStore::countedSize() const
{
    if (m_size)
        return *m_size;
    qint64 total = 0;
    QDirIterator it(m_directory, {QStringLiteral("*") + suffix}, QDir::Files | QDir::NoSymLinks);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    m_size = total;
    return total;
}

void RecognizedTextStore::evict()
{
    QFileInfoList entries = QDir(m_directory).entryInfoList({QStringLiteral("*") + suffix},
                                                             QDir::Files | QDir::NoSymLinks, QDir::Time | QDir::Reversed);
    qint64 total = 0;
    for (const QFileInfo &entry : std::as_const(entries))
        total += entry.size();
    const qint64 target = qint64(double(m_limitBytes) * evictTo);
    for (const QFileInfo &entry : std::as_const(entries)) {
        if (total <= target)
            break;
        if (QFile::remove(entry.filePath()))
            total -= entry.size();
    }
    m_size = total;
}

} // namespace tovik
