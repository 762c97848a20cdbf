#pragma once

#include <QDir>
#include <QImage>
#include <QObject>
#include <QStringList>
#include <QTimer>

class ICaptureCB;

// Pages through the image files of one folder on the photograph canvas, by hand or as a
// slideshow that wraps around. GUI thread only.
class PhotographSource : public QObject {
    Q_OBJECT

public:
    // Photographs are decoded to fit within this many pixels on their long side (the largest
    // camera frame), so a picture of any camera costs the canvas what a camera frame does.
    static constexpr int DisplayLongSide = 1280;

    explicit PhotographSource(ICaptureCB *callback, QObject *parent = nullptr);

    // The slideshow period in milliseconds; a running slideshow keeps its period until play().
    void setInterval(int milliseconds) { m_interval = milliseconds; }
    int count() const { return int(m_fileNames.size()); }
    int currentIndex() const { return m_current; }
    // Scans folder; false (folder and list unchanged) when it holds no images.
    bool openDirectory(const QDir &folder);
    QDir directory() const { return m_folder; }
    // Full paths of the listed files, in list order.
    QStringList fileList() const;
    bool isPlaying() const { return m_timer.isActive(); }

    // The image files of a folder: the usual picture extensions in any case, sorted by name
    // case-sensitively.
    static QStringList scan(const QDir &folder);
    // The picture of a regular image file, decoded at most longSide pixels on its long side;
    // a null picture for anything else, and for a picture beyond FrameBounds that its decoder
    // cannot shrink while decoding (JPEG can, by up to 8 on a side).
    static QImage load(const QString &path, int longSide = DisplayLongSide);

public slots:
    void selectPhotograph(int id);
    void pauseCapture();
    void resumeCapture();
    void play();
    void stop();
    void previous();
    void next();

signals:
    void photographChanged(int id);
    void playDone();
    // The file list was replaced (the thumbnail strip rebuilds from fileList()).
    void listChanged();

private slots:
    void nextPhotograph();

private:
    ICaptureCB *const m_callback;
    int m_interval = 1000;
    int m_current = 0;
    QTimer m_timer;
    QStringList m_fileNames;
    QDir m_folder{QString()};
};
