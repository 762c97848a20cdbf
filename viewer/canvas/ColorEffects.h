#pragma once

#include <QImage>
#include <QList>
#include <QString>

// Colour renderings of a whole picture and masks that black out part of a view.
//
// Both work in place on 24-bit RGB images (QImage::Format_RGB888), touching the bytes
// row by row and honouring bytesPerLine(). An image of another format is converted to
// RGB888 first; a null image and an unknown code leave the image as it is.
//
// Codes, keys and labels are shared by the canvas, the on-screen display and the tool
// windows: keys form resource names ("OSD_COLOR_<key>", "OSD_MASK_<key>"), labels are
// shown to the user (translate them in the context of the class that shows them).
class ColorEffects {
public:
    enum Effect { EffectColor = 0, EffectBlackWhite = 1, EffectNegative = 2, EffectMosaic = 3 };
    enum Mask { MaskNone = 0, MaskCircle = 1, MaskRectangle = 2, MaskLeft = 3, MaskTop = 4 };

    static constexpr int kEffectCount = 4;
    static constexpr int kMaskCount = 5;
    static constexpr int kMosaicBlock = 8;

    // 0 "COLOR", 1 "BW", 2 "NEGATIVE", 3 "MOSAIC"; empty for an unknown code.
    static QString effectKey(int effect);
    // 0 "Color", 1 "B & W", 2 "Negative", 3 "Mosaic" (untranslated source text);
    // nullptr for an unknown code.
    static const char *effectLabel(int effect);
    // 0 "", 1 "CIRCLE", 2 "RECTANGLE", 3 "LEFT", 4 "TOP"; empty for an unknown code.
    static QString maskKey(int mask);
    // The codes a user can choose: effects {0, 1, 2, 3}, masks {1, 2, 3, 4}.
    static QList<int> selectableEffects();
    static QList<int> selectableMasks();

    // 0 nothing; 1 grey = trunc(0.2989 R + 0.587 G + 0.114 B) (double precision);
    // 2 each channel becomes 255 minus itself; 3 8 x 8 blocks from (0, 0), cut at the
    // right and bottom edges, each filled with its per-channel truncated means.
    static void applyEffect(QImage &rgb888, int effect);

    // With cx = w / 2, cy = h / 2: 1 black outside the disc of radius
    // trunc(0.48 * min(w, h)); 2 black where |x - cx| > trunc(0.3 w) or
    // |y - cy| > trunc(0.3 h); 3 columns 0 .. w / 2 - 1 black; 4 rows 0 .. h / 2 - 1 black.
    static void applyMask(QImage &rgb888, int mask);

    // The grey value of one pixel as the black-and-white effect computes it.
    static int grey(int r, int g, int b);

private:
    static bool prepare(QImage &image);
    static void blackWhite(QImage &image);
    static void negative(QImage &image);
    static void mosaic(QImage &image);
    static void circle(QImage &image);
    static void rectangle(QImage &image);
    static void blackRows(QImage &image, int firstRow, int rowCount);
    static void blackSpan(uchar *row, int firstColumn, int columnCount);
};
