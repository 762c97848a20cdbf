#pragma once

#include <string>

// The exclusive advisory lock a camera publisher holds while its node is published
// ($XDG_RUNTIME_DIR/tevalcam.lock, /tmp/tevalcam-<uid>.lock without a runtime folder). The
// camera plug-in's device provider hides its own entry while another process holds it, so
// programs list the camera once; a second publisher cannot take it and publishes nothing.
class PublisherLock {
public:
    PublisherLock() = default;
    ~PublisherLock();
    PublisherLock(const PublisherLock &) = delete;
    PublisherLock &operator=(const PublisherLock &) = delete;

    static std::string path();
    // Takes the lock without waiting; false when another process holds it.
    bool acquire();
    void release();
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
