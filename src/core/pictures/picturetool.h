#pragma once

namespace tovik {

// What a drag does in a picture window: move the picture or select its text. A
// window may also have no tool at all (std::nullopt).
enum class PictureTool { hand, text };

} // namespace tovik
