#include "PipeWireLinkCount.h"

#include <pipewire/pipewire.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

// The client id of a named node that does not tell its client.
constexpr unsigned kNoClient = ~0u;

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

void onGlobal(void *self, uint32_t id, uint32_t, const char *type, uint32_t, const spa_dict *props)
{
    static_cast<PipeWireLinkCount *>(self)->addGlobal(id, type, props);
}

void onGlobalRemove(void *self, uint32_t id)
{
    static_cast<PipeWireLinkCount *>(self)->removeGlobal(id);
}

void onCoreError(void *self, uint32_t id, int, int res, const char *message)
{
    static_cast<PipeWireLinkCount *>(self)->coreError(id, res, message);
}

} // namespace

struct PipeWireLinkCount::Listeners {
    spa_hook core{};
    spa_hook registry{};
    pw_core_events coreEvents{};
    pw_registry_events registryEvents{};
};

PipeWireLinkCount::PipeWireLinkCount(std::string nodeName, Owner owner, std::string threadName,
                                     ChangeHandler onChange, Log log)
    : m_nodeName(std::move(nodeName)), m_owner(owner), m_threadName(std::move(threadName)),
      m_onChange(std::move(onChange)), m_log(std::move(log))
{
    pw_init(nullptr, nullptr);
}

PipeWireLinkCount::~PipeWireLinkCount()
{
    disconnect();
}

void PipeWireLinkCount::disconnect()
{
    // With the loop thread stopped no event can arrive while the objects go.
    if (m_loop) {
        pw_thread_loop_stop(m_loop);
    }
    if (m_listeners) {
        spa_hook_remove(&m_listeners->registry);
        spa_hook_remove(&m_listeners->core);
    }
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
    m_registry = nullptr;
    m_core = nullptr;
    m_context = nullptr;
    m_loop = nullptr;
    m_listeners.reset();
    m_connected = false;
    const std::lock_guard lock(m_mutex);
    m_ownClients.clear();
    m_nodeClients.clear();
    m_linkOutputs.clear();
    m_reported = 0;
}

bool PipeWireLinkCount::connect()
{
    disconnect();
    m_loop = pw_thread_loop_new(m_threadName.c_str(), nullptr);
    if (!m_loop) {
        log("PipeWire link count: no thread loop");
        return false;
    }
    m_context = pw_context_new(pw_thread_loop_get_loop(m_loop), nullptr, 0);
    if (!m_context || pw_thread_loop_start(m_loop) != 0) {
        log("PipeWire link count: no context or loop thread");
        disconnect();
        return false;
    }
    pw_thread_loop_lock(m_loop);
    m_core = pw_context_connect(m_context, nullptr, 0);
    if (!m_core) {
        const int error = errno;
        pw_thread_loop_unlock(m_loop);
        log(std::string("PipeWire link count: cannot connect to the daemon: ") +
            std::strerror(error));
        disconnect();
        return false;
    }
    m_listeners = std::make_unique<Listeners>();
    m_listeners->coreEvents.version = PW_VERSION_CORE_EVENTS;
    m_listeners->coreEvents.error = onCoreError;
    pw_core_add_listener(m_core, &m_listeners->core, &m_listeners->coreEvents, this);
    m_registry = pw_core_get_registry(m_core, PW_VERSION_REGISTRY, 0);
    if (!m_registry) {
        pw_thread_loop_unlock(m_loop);
        log("PipeWire link count: no registry");
        disconnect();
        return false;
    }
    m_listeners->registryEvents.version = PW_VERSION_REGISTRY_EVENTS;
    m_listeners->registryEvents.global = onGlobal;
    m_listeners->registryEvents.global_remove = onGlobalRemove;
    pw_registry_add_listener(m_registry, &m_listeners->registry, &m_listeners->registryEvents,
                             this);
    m_connected = true;
    pw_thread_loop_unlock(m_loop);
    return true;
}

int PipeWireLinkCount::links() const
{
    const std::lock_guard lock(m_mutex);
    return countLinks();
}

void PipeWireLinkCount::addGlobal(unsigned id, const char *type, const spa_dict *props)
{
    const std::lock_guard lock(m_mutex);
    unsigned value = 0;
    if (std::strcmp(type, PW_TYPE_INTERFACE_Client) == 0) {
        if (toId(property(props, PW_KEY_SEC_PID), &value) && value == unsigned(getpid())) {
            m_ownClients.insert(id);
        }
    } else if (std::strcmp(type, PW_TYPE_INTERFACE_Node) == 0) {
        const char *name = property(props, PW_KEY_NODE_NAME);
        if (name && m_nodeName == name) {
            m_nodeClients[id] = toId(property(props, PW_KEY_CLIENT_ID), &value) ? value : kNoClient;
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

void PipeWireLinkCount::removeGlobal(unsigned id)
{
    const std::lock_guard lock(m_mutex);
    // Ids are unique among the globals that exist at one time.
    m_ownClients.erase(id);
    m_nodeClients.erase(id);
    m_linkOutputs.erase(id);
    notifyIfChanged();
}

void PipeWireLinkCount::coreError(unsigned id, int result, const char *message)
{
    log("PipeWire error on " + std::to_string(id) + ": " + (message ? message : "") + " (" +
        std::to_string(result) + ")");
    if (id == PW_ID_CORE && result == -EPIPE) {
        // The daemon went away: nothing is linked any more.
        m_connected = false;
        const std::lock_guard lock(m_mutex);
        m_ownClients.clear();
        m_nodeClients.clear();
        m_linkOutputs.clear();
        notifyIfChanged();
    }
}

int PipeWireLinkCount::countLinks() const
{
    int count = 0;
    for (const auto &[link, node] : m_linkOutputs) {
        const auto found = m_nodeClients.find(node);
        if (found != m_nodeClients.end() &&
            (m_owner == Owner::Anyone || m_ownClients.count(found->second) != 0)) {
            ++count;
        }
    }
    return count;
}

void PipeWireLinkCount::notifyIfChanged()
{
    const int count = countLinks();
    if (count == m_reported) {
        return;
    }
    log("PipeWire node " + m_nodeName + " has " + std::to_string(count) + " link(s)");
    m_reported = count;
    if (m_onChange) {
        m_onChange(count);
    }
}

void PipeWireLinkCount::log(const std::string &message) const
{
    if (m_log) {
        m_log(message);
    }
}
