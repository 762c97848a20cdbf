#include "Config.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace {
const QString keySnapshotMode = QStringLiteral("snapshotMode");
const QString keySnapshotInterval = QStringLiteral("snapshotInterval");
const QString keySnapshotPath = QStringLiteral("snapshotPath");
const QString keyRecordPath = QStringLiteral("recordPath");
const QString keyCamera = QStringLiteral("camera");
const QString keyPresentation = QStringLiteral("presentation");
const QString keyRecordFormat = QStringLiteral("recordFormat");
const QString keyTimeLapse = QStringLiteral("timeLapseInterval");

std::atomic<Config *> instancePointer{nullptr};
// Set once the instance has been destroyed at exit; from then on there is no store to use.
std::atomic<bool> instanceGone{false};
} // namespace

Config::Config()
    : m_settings(new QSettings(this)),
      m_snapshotMode(m_settings->value(keySnapshotMode, QVariant()).toInt()),
      m_snapshotInterval(m_settings->value(keySnapshotInterval, QVariant()).toULongLong()),
      m_snapshotPath(
          m_settings->value(keySnapshotPath, defaultFolder(QStringLiteral("images"))).toString()),
      m_recordPath(
          m_settings->value(keyRecordPath, defaultFolder(QStringLiteral("videos"))).toString()),
      m_camera(m_settings->value(keyCamera, QString()).toString()),
      m_publishPresentation(m_settings->value(keyPresentation, true).toBool()),
      m_recordFormat(m_settings->value(keyRecordFormat, QStringLiteral("avi")).toString()),
      m_timeLapseInterval(std::max(0, m_settings->value(keyTimeLapse, 0).toInt()))
{
}

Config::~Config() = default;

Config *Config::instance()
{
    Config *current = instancePointer.load(std::memory_order_acquire);
    if (current != nullptr || instanceGone.load(std::memory_order_acquire)) {
        return current;
    }
    auto *created = new Config;
    Config *expected = nullptr;
    if (instancePointer.compare_exchange_strong(expected, created, std::memory_order_acq_rel)) {
        std::atexit(&Config::destroyInstance);
        return created;
    }
    delete created;
    return expected;
}

void Config::destroyInstance()
{
    instanceGone.store(true, std::memory_order_release);
    delete instancePointer.exchange(nullptr, std::memory_order_acq_rel);
}

QString Config::defaultFolder(const QString &sub)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString camera = QStringLiteral("Document Camera");
    // mkpath rather than mkdir: a fresh account may have no documents folder yet.
    QDir(documents).mkpath(camera);
    QDir folder(documents + QLatin1Char('/') + camera);
    folder.mkpath(sub);
    return folder.path() + QLatin1Char('/') + sub;
}

// After the instance is gone (process exit) the getters answer with the values of an empty
// store and the setters do nothing, instead of touching a destroyed object.

int Config::snapshotMode()
{
    const Config *config = instance();
    return config != nullptr ? config->m_snapshotMode : 0;
}

void Config::setSnapshotMode(int mode)
{
    if (Config *config = instance()) {
        config->m_snapshotMode = mode;
        config->m_settings->setValue(keySnapshotMode, mode);
    }
}

quint64 Config::snapshotInterval()
{
    const Config *config = instance();
    return config != nullptr ? config->m_snapshotInterval : 0;
}

void Config::setSnapshotInterval(quint64 seconds)
{
    if (Config *config = instance()) {
        config->m_snapshotInterval = seconds;
        config->m_settings->setValue(keySnapshotInterval, QVariant::fromValue(seconds));
    }
}

QString Config::snapshotPath()
{
    const Config *config = instance();
    return config != nullptr ? config->m_snapshotPath : QString();
}

void Config::setSnapshotPath(const QString &path)
{
    if (Config *config = instance()) {
        config->m_snapshotPath = path;
        config->m_settings->setValue(keySnapshotPath, path);
    }
}

QString Config::recordPath()
{
    const Config *config = instance();
    return config != nullptr ? config->m_recordPath : QString();
}

void Config::setRecordPath(const QString &path)
{
    if (Config *config = instance()) {
        config->m_recordPath = path;
        config->m_settings->setValue(keyRecordPath, path);
    }
}

QString Config::camera()
{
    const Config *config = instance();
    return config != nullptr ? config->m_camera : QString();
}

void Config::setCamera(const QString &name)
{
    if (Config *config = instance()) {
        config->m_camera = name;
        config->m_settings->setValue(keyCamera, name);
    }
}

bool Config::publishPresentation()
{
    const Config *config = instance();
    return config != nullptr ? config->m_publishPresentation : true;
}

void Config::setPublishPresentation(bool publish)
{
    if (Config *config = instance()) {
        config->m_publishPresentation = publish;
        config->m_settings->setValue(keyPresentation, publish);
    }
}

QString Config::recordFormat()
{
    const Config *config = instance();
    return config != nullptr ? config->m_recordFormat : QStringLiteral("avi");
}

void Config::setRecordFormat(const QString &key)
{
    if (Config *config = instance()) {
        config->m_recordFormat = key;
        config->m_settings->setValue(keyRecordFormat, key);
    }
}

int Config::timeLapseInterval()
{
    const Config *config = instance();
    return config != nullptr ? config->m_timeLapseInterval : 0;
}

void Config::setTimeLapseInterval(int seconds)
{
    if (Config *config = instance()) {
        config->m_timeLapseInterval = seconds;
        config->m_settings->setValue(keyTimeLapse, seconds);
    }
}
