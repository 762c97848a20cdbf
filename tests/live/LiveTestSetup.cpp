#include "LiveTestSetup.h"

#include "CameraElement.h"
#include "MediaGraph.h"
#include "SimulatedCamera.h"

#include <QFile>
#include <QTemporaryDir>

void LiveTestSetup::withoutSoundServer(const QTemporaryDir &folder)
{
    qputenv("PULSE_SERVER", QFile::encodeName(folder.filePath("no-sound-server")));
}

QString LiveTestSetup::simulatedCamera(bool plugged)
{
    if (!MediaGraph::initialize()) {
        return QStringLiteral("GStreamer does not initialise");
    }
    if (!CameraElement().isValid()) {
        return QStringLiteral("the camera plug-in is not on GST_PLUGIN_PATH");
    }
    if (!SimulatedCamera::setPlugged(plugged)) {
        return QStringLiteral("TEVALCAP_SIMULATE=1 and the plug-in's switch");
    }
    return {};
}
