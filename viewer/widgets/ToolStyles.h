#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The drawing colours and line widths offered by the style windows.
class ToolStyles {
    Q_DECLARE_TR_FUNCTIONS(ToolStyles)

public:
    // Swatches with a colour: 0 "BLACK", 1 "RED", 2 "YELLOW", 3 "SKY"; the fill row adds
    // index 4 "NONE" (fill off), which has no colour.
    static constexpr int kColorCount = 4;
    static constexpr int kNoFillIndex = 4;
    static constexpr int kWidthCount = 4;

    // Icon-name suffix of a swatch (0 .. 4); empty for other indices.
    static QString colorName(int index);
    // What a swatch's button is called for a screen reader, translated ("No fill" for 4).
    static QString colorTitle(int index);
    // What width button 0 .. 3 is called for a screen reader, translated.
    static QString widthTitle(int index);
    // A row of the first count swatches: their icon names (prefix + colorName) and titles.
    static QStringList swatchIcons(const QString &prefix, int count);
    static QStringList swatchTitles(int count);
    // Opaque colour of a swatch (0 .. 3); invalid for other indices.
    static QColor color(int index);
    // Line width in pixels of width button 0 .. 3 (2, 4, 7, 10); 0 for other indices.
    static int lineWidth(int index);
    // Index of the width button showing a width: exact matches only, anything else shows as 0.
    static int widthIndex(int width);
    // Last swatch 0 .. 3 whose colour equals the given one, or -1.
    static int lastColorIndex(const QColor &color);
    // First swatch 0 .. 3 whose colour equals the given one, or -1.
    static int firstColorIndex(const QColor &color);
};
