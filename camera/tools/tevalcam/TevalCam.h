#pragma once

#include "CameraGraph.h"
#include "NodeIdentity.h"
#include "PipeWireLinkCount.h"
#include "PublishFormat.h"
#include "PublishGraph.h"
#include "PublisherPolicy.h"
#include "usb/CRuntimeLock.h"

#include <glib.h>

#include <memory>

// The camera publisher: publishes the document camera as a PipeWire camera node while the
// camera is present, runs the camera only while a consumer is linked to the node, and lets the
// camera go as soon as the last consumer leaves. Runs on the default GLib main context.
class TevalCam {
public:
    struct Options {
        PublishFormat format = PublishFormat::standard();
        NodeIdentity identity;
        bool simulate = false;
    };

    static constexpr int TickMs = 200;
    static constexpr int TicksPerProbe = 5;

    explicit TevalCam(Options options);
    ~TevalCam();
    TevalCam(const TevalCam &) = delete;
    TevalCam &operator=(const TevalCam &) = delete;

    // Runs until SIGINT or SIGTERM; the exit status for main().
    int run();

private:
    static gboolean onTick(gpointer self);
    static gboolean onQuit(gpointer self);
    static gboolean onUnplug(gpointer self);
    static gboolean onReplug(gpointer self);
    void tick();
    bool cameraPresent();
    void apply(const PublisherPolicy::Actions &actions);
    void onCameraFailed();

    Options m_options;
    PublisherPolicy m_policy;
    // The consumers: the links leaving every node of the published name.
    PipeWireLinkCount m_watch;
    // Held while the node is published: the plug-in's device provider then leaves the camera
    // out, and a second publisher publishes nothing.
    CRuntimeLock m_lock{CRuntimeLock::PublisherPath()};
    std::unique_ptr<PublishGraph> m_publish;
    std::unique_ptr<CameraGraph> m_camera;
    GMainLoop *m_loop = nullptr;
    unsigned m_ticks = 0;
    bool m_cameraFailed = false;
};
