// "High Contrast Black" as Windows defines its system colours. Wine has no
// high-contrast setting to switch on, so the pixel tests and the screenshot
// tool hand the painter the palette made of these.
#pragma once

#include "ui/core/palette.h"

namespace uitest {

inline constexpr paint::SystemColours kHighContrastBlack{
    .window = paint::rgb(0, 0, 0),
    .windowText = paint::rgb(255, 255, 255),
    .highlight = paint::rgb(26, 235, 255),
    .highlightText = paint::rgb(0, 0, 0),
    .buttonFace = paint::rgb(0, 0, 0),
    .buttonText = paint::rgb(255, 255, 255),
    .grayText = paint::rgb(63, 242, 63),
    .hotLight = paint::rgb(255, 255, 0),
};

}  // namespace uitest
