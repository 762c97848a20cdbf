#pragma once

#include <vector>

// When the camera publisher publishes its node and runs the camera, as decisions on three
// events: the camera's presence (as last probed), the number of consumers linked to the node,
// and a camera stream that failed. The node exists while the camera is present; the camera
// streams only while the node is published and at least one consumer is linked. No event is
// ever answered by starting what already runs or stopping what is already stopped.
class PublisherPolicy {
public:
    enum class Action { Publish, Unpublish, StartCamera, StopCamera };
    using Actions = std::vector<Action>;

    Actions onPresence(bool present);
    Actions onConsumers(int count);
    // The camera stream ended on its own (error, end of stream): it is stopped, and started
    // again on the next presence report that still finds the camera and a consumer.
    Actions onCameraFailed();
    // Publishing failed (for example another publisher holds the node): the caller drops the
    // actions that followed the Publish; all is tried again on the next report.
    void onPublishFailed()
    {
        m_published = false;
        m_serving = false;
    }

    bool published() const { return m_published; }
    bool serving() const { return m_serving; }
    // Whether presence must be probed with an element of its own; while serving, the running
    // camera element answers instead, and no second element is made.
    bool needsProbe() const { return !m_serving; }

private:
    Actions settle();

    bool m_present = false;
    int m_consumers = 0;
    bool m_published = false;
    bool m_serving = false;
};
