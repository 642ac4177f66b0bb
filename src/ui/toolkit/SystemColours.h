#pragma once

#include <QColor>
#include <QPalette>

namespace tamsenor {

// The classic system colours the window's rules name. Each is a role of the
// palette in use, not a fixed value (PaletteRole).
enum class SystemColour {
    ScrollBar, // the light grey of buttons and bars
    WindowBackground, // where text is entered and lists are shown
    AppWorkspace, // a darker grey
};

// ScrollBar: Button, WindowBackground: Base, AppWorkspace: Dark.
QPalette::ColorRole PaletteRole(SystemColour colour);

// A colour as the window's rules name it: a system colour, or the palette's
// text colour ("black" in the classic light theme). Controls keep the name and
// look the colour up in their palette whenever they paint, so a change of
// theme recolours them.
class PaletteColour {
public:
    static PaletteColour text() { return PaletteColour(QPalette::WindowText); }
    static PaletteColour system(SystemColour colour) { return PaletteColour(PaletteRole(colour)); }

    QPalette::ColorRole role() const { return role_; }
    bool operator==(const PaletteColour&) const = default;

private:
    explicit PaletteColour(QPalette::ColorRole role)
        : role_(role)
    {
    }
    QPalette::ColorRole role_;
};

// Relative luminance as WCAG 2 defines it, from 0 (black) to 1 (white).
double RelativeLuminance(const QColor& colour);
// WCAG contrast ratio of two colours, from 1 (alike) to 21 (black on white),
// whichever of them is the lighter.
double ContrastRatio(const QColor& a, const QColor& b);

// Text on a window background is readable from this contrast on (WCAG AA).
inline constexpr double ReadableContrast = 4.5;
// An enabled caption in a muted colour keeps at least this contrast to a
// disabled one, so the two never look alike.
inline constexpr double DistinctFromDisabled = 1.5;

// The colour a caption named `name` is painted in on the window background of
// `palette`, in colour group `group`. A disabled caption takes the palette's
// disabled text colour. The text colour is used as it is. A system colour
// (the workspace grey of an unchecked switch) keeps its hue but is moved
// toward the text colour until it is readable (ReadableContrast) and stands
// apart from the disabled text colour (DistinctFromDisabled); where no such
// shade exists, the text colour is used.
//
//   Fusion light: Dark #9f9f9f on Window #efefef (2.3:1) -> #6b6b6b (4.6:1)
QColor CaptionColour(const QPalette& palette, PaletteColour name, QPalette::ColorGroup group = QPalette::Active);

} // namespace tamsenor
