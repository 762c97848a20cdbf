#pragma once

#include <QImage>
#include <QPolygonF>
#include <QSizeF>

// Straightens a page seen at an angle to its own proportions, and cleans it for reading.
class PageWarp {
public:
    enum class Cleaning {
        None,     // the colours as the camera saw them
        Grey,     // grey with the contrast stretched
        Document, // black text on white; pictures on the page stay grey
    };

    // The longest side of a straightened page: an A4 page at 300 dots per inch.
    static constexpr int kMaxLongSide = 3508;
    // How far (relative) a page's proportions may be from A4 or Letter to be taken as one; a
    // 4:3 camera picture (3 % from Letter) is none.
    static constexpr double kSnapTolerance = 0.025;
    // The long side given to a page of no standard size, in millimetres (as an A4 page).
    static constexpr double kDefaultLongSideMm = 297.0;

    struct Page {
        QImage image;
        // The paper's size in millimetres (portrait when the straightened page is).
        QSizeF sizeMm;
        bool standardSize = false;
    };

    // The page inside corners (top-left first, clockwise, in the picture's pixels) straightened;
    // a null image when corners is not a quadrilateral.
    static Page straighten(const QImage &picture, const QPolygonF &corners, Cleaning cleaning);
    // The paper size for straightened proportions: A4 or Letter when close, else the proportions
    // with the default long side. pixelSize is adjusted to the snapped proportions.
    static QSizeF paperSize(QSize &pixelSize, bool &standard);
    static QImage clean(const QImage &page, Cleaning cleaning);
};
