#include "ToolStyles.h"

#include <array>

namespace {
const std::array<const char *, 5> names = {"BLACK", "RED", "YELLOW", "SKY", "NONE"};
const std::array<const char *, 5> titles = {
    QT_TRANSLATE_NOOP("ToolStyles", "Black"), QT_TRANSLATE_NOOP("ToolStyles", "Red"),
    QT_TRANSLATE_NOOP("ToolStyles", "Yellow"), QT_TRANSLATE_NOOP("ToolStyles", "Blue"),
    QT_TRANSLATE_NOOP("ToolStyles", "No fill")};
const std::array<QRgb, ToolStyles::kColorCount> colors = {qRgb(0, 0, 0), qRgb(255, 0, 0),
                                                          qRgb(255, 255, 0), qRgb(0, 0, 255)};
const std::array<int, ToolStyles::kWidthCount> widths = {2, 4, 7, 10};
} // namespace

QString ToolStyles::colorName(int index)
{
    return index >= 0 && index < int(names.size()) ? QString::fromLatin1(names[index]) : QString();
}

QString ToolStyles::colorTitle(int index)
{
    return index >= 0 && index < int(titles.size()) ? tr(titles[index]) : QString();
}

QString ToolStyles::widthTitle(int index)
{
    return tr("Line %1 pixels wide").arg(lineWidth(index));
}

QStringList ToolStyles::swatchIcons(const QString &prefix, int count)
{
    QStringList icons;
    for (int k = 0; k < count; ++k) {
        icons.append(prefix + colorName(k));
    }
    return icons;
}

QStringList ToolStyles::swatchTitles(int count)
{
    QStringList titles;
    for (int k = 0; k < count; ++k) {
        titles.append(colorTitle(k));
    }
    return titles;
}

QColor ToolStyles::color(int index)
{
    return index >= 0 && index < kColorCount ? QColor(colors[index]) : QColor();
}

int ToolStyles::lineWidth(int index)
{
    return index >= 0 && index < kWidthCount ? widths[index] : 0;
}

int ToolStyles::widthIndex(int width)
{
    for (int k = kWidthCount - 1; k > 0; --k) {
        if (widths[k] == width) {
            return k;
        }
    }
    return 0;
}

int ToolStyles::lastColorIndex(const QColor &color)
{
    for (int k = kColorCount - 1; k >= 0; --k) {
        if (ToolStyles::color(k) == color) {
            return k;
        }
    }
    return -1;
}

int ToolStyles::firstColorIndex(const QColor &color)
{
    for (int k = 0; k < kColorCount; ++k) {
        if (ToolStyles::color(k) == color) {
            return k;
        }
    }
    return -1;
}
