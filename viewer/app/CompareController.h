#pragma once

#include "PictureInPicture.h"
#include "SplitCompositor.h"

#include <QEvent>
#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>

class ImageCanvas;
class QMouseEvent;
class SecondCamera;

// Split compare and picture-in-picture on the live canvas: lays the still panes and the second
// camera's rectangle into the canvas's composed picture (SplitCompositor, PictureInPicture), so
// they are in what is shown, saved, recorded and published; runs the second camera
// (SecondCamera); and routes the pointer on the canvas: a press in a still pane draws on that
// pane or pans it with the canvas's current tool, the wheel zooms it and a double click turns
// it; a press in the live pane goes on to the canvas at the point of the live picture it shows;
// with the hand tool the second camera's rectangle is dragged, and the wheel over it resizes
// it. GUI thread.
class CompareController : public QObject {
    Q_OBJECT

public:
    // The picture file the Photograph mode shows (empty when there is none).
    using PhotographProvider = std::function<QString()>;
    // Shows a short notice over the live picture.
    using NoticeSink = std::function<void(const QString &)>;
    // Size steps of the second camera's rectangle.
    static constexpr double kGrowFactor = 1.2;

    CompareController(ImageCanvas &canvas, PhotographProvider photograph, NoticeSink notice,
                      QObject *parent = nullptr);
    ~CompareController() override;

    // The split and the rectangle; after changing them directly, updateCanvas() lets the canvas
    // lay them (or no longer).
    SplitCompositor &split() { return m_split; }
    void updateCanvas();
    PictureInPicture &pictureInPicture() { return m_pip; }
    SecondCamera &secondCamera() { return *m_camera; }

    // Adds the live picture as it is now (the camera's frame) as a still pane.
    void compareWithLive();
    // Adds the photograph the Photograph mode shows as a still pane.
    void compareWithPhotograph();
    // Adds a picture file as a still pane (one that cannot be read shows so in its pane).
    void compareWithFile(const QString &path);
    void swapPanes();
    void leaveCompare();

    // The second camera on (the first listed camera that is not the live one's choice) or off.
    void togglePictureInPicture();
    // Starts the second camera of that name in the rectangle; false when it is not listed.
    bool showPictureInPicture(const QString &cameraName);
    void hidePictureInPicture();
    void movePictureInPicture();
    void resizePictureInPicture(bool grow);

    // Where a point of the live pane (cell rectangle `cell` of a picture `frame` big) lies in
    // the canvas widget of size `widget` when the live picture is shown alone.
    static QPoint liveCellToWidget(const QPoint &framePoint, const QRect &cell, const QSize &frame,
                                   const QSize &widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleMouse(QMouseEvent *event);
    bool forwardToCanvas(QMouseEvent *event, const QPoint &framePoint);
    bool paneGesture(QEvent::Type type, const QPoint &framePoint);

    ImageCanvas &m_canvas;
    PhotographProvider m_photograph;
    NoticeSink m_notice;
    SplitCompositor m_split;
    PictureInPicture m_pip;
    std::unique_ptr<SecondCamera> m_camera;
    // The gesture under way: the cell it started in (-1: none), whether it drags the second
    // camera's rectangle, and its last point in frame pixels.
    int m_gestureCell = -1;
    bool m_draggingPip = false;
    bool m_forwarding = false;
    QPoint m_pressPoint;
    QPoint m_lastPoint;
};
