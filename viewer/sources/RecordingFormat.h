#pragma once

#include <gst/gst.h>

#include <QString>
#include <QStringList>
#include <vector>

// The container and codecs a recording is written in: AVI (MJPEG with PCM sound, the default),
// MP4 (H.264 with AAC or Opus sound, written in fragments so that a recording cut off by a
// kill still plays) or WebM (VP8 with Opus sound, written cluster by cluster).
//
// A format knows the GStreamer elements it needs, in order of preference where there is a
// choice (two H.264 encoders, two AAC encoders), and whether they are installed. Elements are
// made on the caller's thread; failures are logged in the category doccam.sources.
class RecordingFormat {
public:
    enum class Container { Avi, Mp4, WebM };

    RecordingFormat() = default;
    explicit RecordingFormat(Container container) : m_container(container) {}

    // The format of a settings key ("avi", "mp4", "webm"); AVI for anything else.
    static RecordingFormat fromKey(const QString &key);
    // The format a recording's file name asks for by its suffix; AVI for any other suffix.
    static RecordingFormat forPath(const QString &path);
    // Every format, in the order the settings window offers them.
    static std::vector<RecordingFormat> all();

    Container container() const { return m_container; }
    QString key() const;
    // The file name suffix with its dot (".avi").
    QString extension() const;
    // The name shown to the user ("AVI", "MP4", "WebM").
    QString displayName() const;

    // Every element this format needs is installed (for sound: one of the encoders).
    bool isAvailable() const;
    // The elements that are missing, by factory name (for each choice, the preferred one).
    QStringList missingElements() const;

    // The video chain from the composed RGB frames to the muxer, made anew (floating
    // references); empty when an element cannot be made.
    std::vector<GstElement *> makeVideoChain() const;
    // The sound chain from a microphone's raw sound to the muxer, empty when it cannot be made.
    std::vector<GstElement *> makeAudioChain() const;
    // The muxer, set up so that what it has written plays when it is cut off; nullptr when it
    // cannot be made.
    GstElement *makeMuxer() const;

    bool operator==(const RecordingFormat &other) const = default;

private:
    // Factory names: each entry is a list of alternatives, the first installed one is used.
    std::vector<QStringList> videoElements() const;
    std::vector<QStringList> audioElements() const;
    QString muxerElement() const;

    Container m_container = Container::Avi;
};
