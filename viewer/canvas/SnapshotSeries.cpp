#include "SnapshotSeries.h"

#include <QDir>

#include <algorithm>

SnapshotSeries::Settings SnapshotSeries::settings() const
{
    QMutexLocker locker(&m_lock);
    return m_settings;
}

void SnapshotSeries::change(const std::function<void(Settings &)> &edit)
{
    QMutexLocker locker(&m_lock);
    edit(m_settings);
}

void SnapshotSeries::arm(qint64 nowMs)
{
    QMutexLocker locker(&m_lock);
    if (m_settings.folder.isEmpty() || !QDir(m_settings.folder).exists()) {
        return;
    }
    m_armed = true;
    m_startMs = nowMs;
    m_lastShotSecond = 0;
}

void SnapshotSeries::disarm()
{
    QMutexLocker locker(&m_lock);
    m_armed = false;
}

bool SnapshotSeries::isArmed() const
{
    QMutexLocker locker(&m_lock);
    return m_armed;
}

SnapshotSeries::Decision SnapshotSeries::due(qint64 nowMs)
{
    QMutexLocker locker(&m_lock);
    Decision d;
    if (!m_armed || m_settings.folder.isEmpty()) {
        return d;
    }
    // A folder that went away keeps the series armed until it is back.
    if (!QDir(m_settings.folder).exists()) {
        d.folderMissing = true;
        return d;
    }
    d.folder = m_settings.folder;
    if (!m_settings.continuous) {
        m_armed = false;
        d.shoot = true;
        return d;
    }
    d.second = static_cast<quint64>(std::max<qint64>(0, nowMs - m_startMs) / 1000);
    // Unsigned: a stop-after of -1 is never reached.
    if (d.second - m_lastShotSecond >= m_settings.intervalSeconds) {
        d.shoot = true;
        d.replace = m_settings.intervalSeconds == 0;
        d.droppable = true;
    }
    if (d.second >= m_settings.stopAfterSeconds) {
        m_armed = false;
    }
    return d;
}

void SnapshotSeries::taken(const Decision &decision)
{
    QMutexLocker locker(&m_lock);
    m_lastShotSecond = decision.second;
}
