#pragma once

#include "ocr/textobservation.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <mutex>
#include <optional>

namespace tovik {

// Recognized text kept on disk, so that a page read once is never read again, in this
// run or a later one. One file per entry, named by its key and holding the key again;
// written to a temporary file and renamed into place, so a reader never sees half an
// entry. An entry that cannot be read whole and checked (cut short, damaged, written
// by something else, or filed under another key) is removed and counts as missing:
// what is handed out is exactly what was stored. The entries least recently used go
// once the store outgrows its limit.
//
// Thread-safe: recognitions on several threads share one store.
class RecognizedTextStore final
{
public:
    static constexpr qint64 defaultLimitBytes = qint64(256) << 20;

    explicit RecognizedTextStore(QString directory, qint64 limitBytes = defaultLimitBytes);

    // The user's store: "tovikRAGUI/recognized" in the XDG cache folder.
    static QString defaultDirectory();

    const QString &directory() const { return m_directory; }

    // The lines stored under `key` (letters and digits only), if an intact entry holds them.
    std::optional<QList<TextObservation>> find(const QByteArray &key) const;
    // Stores `lines` under `key`, replacing what was there. A store that cannot be
    // written (a read-only or full disk) keeps nothing and says nothing: recognition
    // goes on without it.
    void store(const QByteArray &key, const QList<TextObservation> &lines);

    // The bytes the entries take on disk, as this store counts them.
    qint64 sizeBytes() const;

    // The file format, public for tests of damaged entries.
    static QByteArray encode(const QByteArray &key, const QList<TextObservation> &lines);
    static std::optional<QList<TextObservation>> decode(const QByteArray &key, const QByteArray &bytes);

private:
    QString pathOf(const QByteArray &key) const;
    qint64 countedSize() const; // m_mutex held
    void evict();               // m_mutex held

    QString m_directory;
    qint64 m_limitBytes;
    mutable std::mutex m_mutex;
    mutable std::optional<qint64> m_size; // counted on first need
};

} // namespace tovik
