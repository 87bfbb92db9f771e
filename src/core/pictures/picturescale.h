#pragma once

#include <optional>

namespace tovik {

// The zoom a picture window shows: "fit" (follows the window's size) or a fixed
// percentage. A plain value.
class PictureScale final
{
public:
    static PictureScale fit() { return PictureScale(); }
    static PictureScale percent(int percent)
    {
        PictureScale scale;
        scale.m_percent = percent;
        return scale;
    }

    bool isFit() const { return !m_percent.has_value(); }
    // None for "fit".
    std::optional<int> percentage() const { return m_percent; }

    friend bool operator==(const PictureScale &, const PictureScale &) = default;

private:
    std::optional<int> m_percent;
};

} // namespace tovik
