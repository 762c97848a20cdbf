#include "PublisherPolicy.h"

PublisherPolicy::Actions PublisherPolicy::onPresence(bool present)
{
    m_present = present;
    return settle();
}

PublisherPolicy::Actions PublisherPolicy::onConsumers(int count)
{
    m_consumers = count < 0 ? 0 : count;
    return settle();
}

PublisherPolicy::Actions PublisherPolicy::onCameraFailed()
{
    if (!m_serving) {
        return {};
    }
    m_serving = false;
    // Not restarted here: a camera that just failed is probed first.
    return {Action::StopCamera};
}

PublisherPolicy::Actions PublisherPolicy::settle()
{
    Actions actions;
    const bool wantNode = m_present;
    const bool wantCamera = m_present && m_consumers > 0;
    if (m_serving && !wantCamera) {
        m_serving = false;
        actions.push_back(Action::StopCamera);
    }
    if (m_published && !wantNode) {
        m_published = false;
        actions.push_back(Action::Unpublish);
    }
    if (!m_published && wantNode) {
        m_published = true;
        actions.push_back(Action::Publish);
    }
    if (!m_serving && wantCamera && m_published) {
        m_serving = true;
        actions.push_back(Action::StartCamera);
    }
    return actions;
}
