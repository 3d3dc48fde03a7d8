#include "ui/core/palette.h"

namespace paint {

Palette choosePalette(bool highContrast, const SystemColours& system) {
    if (!highContrast) return kDarkPalette;
    return {
        .background = opaque(system.window),
        .surface = opaque(system.window),
        .button = opaque(system.buttonFace),
        .buttonHover = opaque(system.highlight),
        .hairline = opaque(system.windowText),
        .accent = opaque(system.highlight),
        .accentHover = opaque(system.highlight),
        .track = opaque(system.grayText),
        .checkMark = opaque(system.highlightText),
        .focusRing = opaque(system.windowText),
        .text = system.windowText,
        .textMuted = system.windowText,
        .error = system.windowText,
        .warning = system.windowText,
        .link = system.hotLight,
        .linkHover = system.hotLight,
        .buttonText = system.buttonText,
        .buttonHoverText = system.highlightText,
        .accentText = system.highlightText,
        // A highlight-coloured button on the window colour may differ from it
        // by hue alone; the outline gives it an edge in every theme.
        .outlinePrimary = true,
    };
}

}  // namespace paint
