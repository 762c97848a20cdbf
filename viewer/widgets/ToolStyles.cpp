#include "ToolStyles.h"

#include <array>

namespace {
const std::array<const char *, 5> names = {"BLACK", "RED", "YELLOW", "SKY", "NONE"};
const std::array<QRgb, ToolStyles::colorCount> colors = {qRgb(0, 0, 0), qRgb(255, 0, 0),
                                                         qRgb(255, 255, 0), qRgb(0, 0, 255)};
const std::array<int, ToolStyles::widthCount> widths = {2, 4, 7, 10};
} // namespace

QString ToolStyles::colorName(int index)
{
    return index >= 0 && index < int(names.size()) ? QString::fromLatin1(names[index]) : QString();
}

QColor ToolStyles::color(int index)
{
    return index >= 0 && index < colorCount ? QColor(colors[index]) : QColor();
}

int ToolStyles::lineWidth(int index)
{
    return index >= 0 && index < widthCount ? widths[index] : 0;
}

int ToolStyles::widthIndex(int width)
{
    for (int k = widthCount - 1; k > 0; --k) {
        if (widths[k] == width) {
            return k;
        }
    }
    return 0;
}

int ToolStyles::lastColorIndex(const QColor &color)
{
    for (int k = colorCount - 1; k >= 0; --k) {
        if (ToolStyles::color(k) == color) {
            return k;
        }
    }
    return -1;
}

int ToolStyles::firstColorIndex(const QColor &color)
{
    for (int k = 0; k < colorCount; ++k) {
        if (ToolStyles::color(k) == color) {
            return k;
        }
    }
    return -1;
}
