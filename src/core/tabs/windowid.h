#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QtGlobal>

namespace tovik {

// Names one tab's window without pointing at it, so core code never holds a widget
// and a window that went away simply stops existing in the WindowArrangement.
// Value 0 is "no window".
struct WindowId
{
    quint64 value = 0;

    bool isNull() const { return value == 0; }
    friend bool operator==(WindowId, WindowId) = default;
};

inline size_t qHash(WindowId id, size_t seed = 0) noexcept
{
    return ::qHash(id.value, seed);
}

} // namespace tovik

Q_DECLARE_METATYPE(tovik::WindowId)
