#include "ui/toolkit/SystemColours.h"

#include <algorithm>
#include <cmath>

namespace tamsenor {

QPalette::ColorRole PaletteRole(SystemColour colour)
{
    switch (colour) {
    case SystemColour::ScrollBar:
        return QPalette::Button;
    case SystemColour::WindowBackground:
        return QPalette::Base;
    case SystemColour::AppWorkspace:
        return QPalette::Dark;
    }
    return QPalette::NoRole;
}

double RelativeLuminance(const QColor& colour)
{
    auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

namespace {

QColor blend(const QColor& from, const QColor& to, double t)
{
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    auto mix = [t](double x, double y) { return x + (y - x) * t; };
    return QColor::fromRgbF(static_cast<float>(mix(a.redF(), b.redF())),
        static_cast<float>(mix(a.greenF(), b.greenF())), static_cast<float>(mix(a.blueF(), b.blueF())));
}

} // namespace

QColor CaptionColour(const QPalette& palette, PaletteColour name, QPalette::ColorGroup group)
{
    if (group == QPalette::Disabled)
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    const QColor text = palette.color(group, QPalette::WindowText);
    if (name == PaletteColour::text())
        return text;
    const QColor background = palette.color(group, QPalette::Window);
    const QColor disabled = palette.color(QPalette::Disabled, QPalette::WindowText);
    const QColor wanted = palette.color(group, name.role());
    // The smallest step toward the text colour that is enough keeps the most
    // of the theme's own shade.
    constexpr int Steps = 64;
    for (int i = 0; i < Steps; ++i) {
        const QColor c = blend(wanted, text, static_cast<double>(i) / Steps);
        if (ContrastRatio(c, background) >= ReadableContrast && ContrastRatio(c, disabled) >= DistinctFromDisabled)
            return c;
    }
    return text;
}

} // namespace tamsenor
