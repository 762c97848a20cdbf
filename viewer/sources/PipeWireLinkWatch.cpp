#include "PipeWireLinkWatch.h"

#include "SourcesLog.h"

#include <pipewire/pipewire.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

const char *property(const spa_dict *props, const char *key)
{
    return props ? spa_dict_lookup(props, key) : nullptr;
}

bool toId(const char *text, unsigned *id)
{
    if (!text || !*text) {
        return false;
    }
    char *end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (*end != '\0') {
        return false;
    }
    *id = unsigned(value);
    return true;
}

} // namespace

struct PipeWireLinkWatch::Listener {
    spa_hook hook{};
    pw_registry_events events{};
};

namespace {

void onGlobal(void *self, uint32_t id, uint32_t, const char *type, uint32_t, const spa_dict *props)
{
    static_cast<PipeWireLinkWatch *>(self)->addGlobal(id, type, props);
}

void onGlobalRemove(void *self, uint32_t id)
{
    static_cast<PipeWireLinkWatch *>(self)->removeGlobal(id);
}

} // namespace

PipeWireLinkWatch::PipeWireLinkWatch(const QString &nodeName, ChangeHandler onChange)
    : m_nodeName(nodeName.toUtf8()), m_onChange(std::move(onChange))
{
    pw_init(nullptr, nullptr);
    m_loop = pw_thread_loop_new("doccam-watch", nullptr);
    if (!m_loop) {
        qCDebug(lcSources) << "PipeWire link watch: no thread loop";
        return;
    }
    m_context = pw_context_new(pw_thread_loop_get_loop(m_loop), nullptr, 0);
    if (!m_context || pw_thread_loop_start(m_loop) < 0) {
        qCDebug(lcSources) << "PipeWire link watch: no context or loop thread";
        return;
    }
    pw_thread_loop_lock(m_loop);
    m_core = pw_context_connect(m_context, nullptr, 0);
    if (!m_core) {
        pw_thread_loop_unlock(m_loop);
        qCDebug(lcSources) << "PipeWire link watch: cannot connect to the daemon:"
                           << std::strerror(errno);
        return;
    }
    m_registry = pw_core_get_registry(m_core, PW_VERSION_REGISTRY, 0);
    if (m_registry) {
        m_listener = new Listener;
        m_listener->events.version = PW_VERSION_REGISTRY_EVENTS;
        m_listener->events.global = onGlobal;
        m_listener->events.global_remove = onGlobalRemove;
        pw_registry_add_listener(m_registry, &m_listener->hook, &m_listener->events, this);
    }
    pw_thread_loop_unlock(m_loop);
}

PipeWireLinkWatch::~PipeWireLinkWatch()
{
    // With the loop thread stopped no event can arrive while the objects go.
    if (m_loop) {
        pw_thread_loop_stop(m_loop);
    }
    if (m_listener) {
        spa_hook_remove(&m_listener->hook);
    }
    delete m_listener;
    if (m_registry) {
        pw_proxy_destroy(reinterpret_cast<pw_proxy *>(m_registry));
    }
    if (m_core) {
        pw_core_disconnect(m_core);
    }
    if (m_context) {
        pw_context_destroy(m_context);
    }
    if (m_loop) {
        pw_thread_loop_destroy(m_loop);
    }
}

int PipeWireLinkWatch::links() const
{
    const std::lock_guard lock(m_mutex);
    return countLinks();
}

void PipeWireLinkWatch::addGlobal(unsigned id, const char *type, const spa_dict *props)
{
    const std::lock_guard lock(m_mutex);
    unsigned value = 0;
    if (std::strcmp(type, PW_TYPE_INTERFACE_Client) == 0) {
        if (toId(property(props, PW_KEY_SEC_PID), &value) && value == unsigned(getpid())) {
            m_ownClients.insert(id);
        }
    } else if (std::strcmp(type, PW_TYPE_INTERFACE_Node) == 0) {
        const char *name = property(props, PW_KEY_NODE_NAME);
        if (name && m_nodeName == name && toId(property(props, PW_KEY_CLIENT_ID), &value)) {
            m_nodeClients[id] = value;
        }
    } else if (std::strcmp(type, PW_TYPE_INTERFACE_Link) == 0) {
        if (toId(property(props, PW_KEY_LINK_OUTPUT_NODE), &value)) {
            m_linkOutputs[id] = value;
        }
    } else {
        return;
    }
    notifyIfChanged();
}

void PipeWireLinkWatch::removeGlobal(unsigned id)
{
    const std::lock_guard lock(m_mutex);
    // Ids are unique among the globals that exist at one time.
    m_ownClients.erase(id);
    m_nodeClients.erase(id);
    m_linkOutputs.erase(id);
    notifyIfChanged();
}

int PipeWireLinkWatch::countLinks() const
{
    int count = 0;
    for (const auto &[link, node] : m_linkOutputs) {
        const auto found = m_nodeClients.find(node);
        if (found != m_nodeClients.end() && m_ownClients.count(found->second) != 0) {
            ++count;
        }
    }
    return count;
}

void PipeWireLinkWatch::notifyIfChanged()
{
    const int count = countLinks();
    if (count == m_reported) {
        return;
    }
    qCDebug(lcSources) << "PipeWire node" << m_nodeName << "has" << count << "link(s)";
    m_reported = count;
    if (m_onChange) {
        m_onChange(count);
    }
}
