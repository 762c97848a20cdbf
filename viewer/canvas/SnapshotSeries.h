#pragma once

#include <QMutex>
#include <QString>
#include <QtGlobal>

#include <functional>

// When a canvas takes its snapshots: one picture from the next frame, or a series with a
// picture every interval seconds until its stop-after second. The settings are written as one
// struct under the series' own lock, so that a frame never sees a half-written series.
class SnapshotSeries {
public:
    // Stop-after value of a series that never ends by itself.
    static constexpr quint64 kNeverStop = ~quint64(0);

    struct Settings {
        QString folder;
        bool continuous = false;
        quint64 intervalSeconds = 0;
        quint64 stopAfterSeconds = kNeverStop;
    };

    // What a frame is to do.
    struct Decision {
        bool shoot = false;
        // A series without an interval keeps one picture per second, the latest, in place of
        // numbering the later ones.
        bool replace = false;
        // A single picture is never dropped; a picture of a series may be.
        bool droppable = false;
        // Armed, but the folder is not there (a drive pulled out): nothing is shot.
        bool folderMissing = false;
        QString folder;
        quint64 second = 0;
    };

    Settings settings() const;
    void change(const std::function<void(Settings &)> &edit);

    // Arms the series if its folder exists; its clock starts at nowMs.
    void arm(qint64 nowMs);
    void disarm();
    bool isArmed() const;

    // Decides for a frame at nowMs; a single shot disarms at once, a series when its
    // stop-after second is reached. A series shot counts only once taken().
    Decision due(qint64 nowMs);
    // The shot of a decision went to the writer: the next one is an interval later.
    void taken(const Decision &decision);

private:
    mutable QMutex m_lock;
    Settings m_settings;
    bool m_armed = false;
    qint64 m_startMs = 0;
    quint64 m_lastShotSecond = 0;
};
