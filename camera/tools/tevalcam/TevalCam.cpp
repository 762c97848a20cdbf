#include "TevalCam.h"

#include "CameraStatus.h"
#include "SimulatedCamera.h"

#include <glib-unix.h>

#include <csignal>

TevalCam::TevalCam(Options options)
    : m_options(std::move(options)),
      m_watch(
          m_options.identity.name, PipeWireLinkCount::Owner::Anyone, "tevalcam-watch",
          [name = m_options.identity.name](int links) {
              GST_CAT_INFO(tevalcam_debug, "%d consumer(s) linked to %s", links, name.c_str());
          },
          [](const std::string &message) { GST_CAT_DEBUG(tevalcam_debug, "%s", message.c_str()); })
{
    initTevalCamDebug();
    m_loop = g_main_loop_new(nullptr, FALSE);
}

TevalCam::~TevalCam()
{
    m_camera.reset();
    m_publish.reset();
    g_main_loop_unref(m_loop);
}

int TevalCam::run()
{
    std::vector<guint> sources;
    sources.push_back(g_unix_signal_add(SIGINT, onQuit, this));
    sources.push_back(g_unix_signal_add(SIGTERM, onQuit, this));
    if (m_options.simulate) {
        sources.push_back(g_unix_signal_add(SIGUSR1, onUnplug, this));
        sources.push_back(g_unix_signal_add(SIGUSR2, onReplug, this));
    }
    sources.push_back(g_timeout_add(TickMs, onTick, this));
    tick();
    g_main_loop_run(m_loop);
    for (guint source : sources) {
        g_source_remove(source);
    }
    apply(m_policy.onPresence(false));
    return 0;
}

gboolean TevalCam::onTick(gpointer self)
{
    static_cast<TevalCam *>(self)->tick();
    return G_SOURCE_CONTINUE;
}

gboolean TevalCam::onQuit(gpointer self)
{
    g_main_loop_quit(static_cast<TevalCam *>(self)->m_loop);
    return G_SOURCE_CONTINUE;
}

gboolean TevalCam::onUnplug(gpointer)
{
    GST_CAT_INFO(tevalcam_debug, "simulated camera unplugged");
    if (!SimulatedCamera::setPlugged(false)) {
        GST_CAT_DEBUG(tevalcam_debug, "simulated camera switch not reached");
    }
    return G_SOURCE_CONTINUE;
}

gboolean TevalCam::onReplug(gpointer)
{
    GST_CAT_INFO(tevalcam_debug, "simulated camera plugged in");
    if (!SimulatedCamera::setPlugged(true)) {
        GST_CAT_DEBUG(tevalcam_debug, "simulated camera switch not reached");
    }
    return G_SOURCE_CONTINUE;
}

bool TevalCam::cameraPresent()
{
    const std::optional<unsigned> status =
        m_policy.needsProbe() ? CameraStatus::probe() : m_camera->status();
    return status && CameraStatus::showsCamera(*status);
}

void TevalCam::tick()
{
    if (!m_watch.isConnected() && !m_watch.connect()) {
        return; // no PipeWire yet: nothing can be published
    }
    if (m_cameraFailed) {
        m_cameraFailed = false;
        apply(m_policy.onCameraFailed());
    }
    if (m_publish && m_publish->failed()) {
        // The node is gone (daemon restarted): publish again from scratch.
        apply(m_policy.onPresence(false));
        m_ticks = 0;
    }
    if (m_ticks++ % TicksPerProbe == 0) {
        apply(m_policy.onPresence(cameraPresent()));
    }
    apply(m_policy.onConsumers(m_watch.links()));
}

void TevalCam::onCameraFailed()
{
    // Reported from the camera graph's bus watch: the graph is destroyed on the next tick,
    // outside its own callback.
    m_cameraFailed = true;
}

void TevalCam::apply(const PublisherPolicy::Actions &actions)
{
    using Action = PublisherPolicy::Action;
    for (Action action : actions) {
        switch (action) {
        case Action::Publish:
            m_publish = std::make_unique<PublishGraph>(m_options.format, m_options.identity);
            if (!m_lock.TryLock()) {
                GST_CAT_DEBUG(tevalcam_debug, "%s held by pid %d: another publisher runs",
                              m_lock.Path().c_str(),
                              int(CRuntimeLock::ReadHolder(m_lock.Path()).pid));
            }
            if (!m_lock.IsHeld() || !m_publish->start()) {
                m_publish.reset();
                m_lock.Unlock();
                m_policy.onPublishFailed();
                return; // no camera for a node that is not there
            }
            break;
        case Action::Unpublish:
            m_publish.reset();
            m_lock.Unlock();
            GST_CAT_INFO(tevalcam_debug, "node %s withdrawn", m_options.identity.name.c_str());
            break;
        case Action::StartCamera:
            m_camera = std::make_unique<CameraGraph>(
                m_options.format, [this](GstBuffer *frame) { m_publish->push(frame); },
                [this] { onCameraFailed(); });
            if (!m_camera->start()) {
                m_cameraFailed = true;
            }
            break;
        case Action::StopCamera:
            if (m_camera && m_publish) {
                GST_CAT_INFO(tevalcam_debug,
                             "camera released after %lu frames (%lu published, %lu dropped)",
                             m_camera->framesDelivered(), m_publish->framesPublished(),
                             m_publish->framesDropped());
            }
            m_camera.reset();
            break;
        }
    }
}
