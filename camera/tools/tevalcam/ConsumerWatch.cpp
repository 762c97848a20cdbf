#include "ConsumerWatch.h"

#include "GstPtr.h"

#include <pipewire/pipewire.h>

#include <cstdlib>
#include <cstring>

struct ConsumerWatch::Listeners {
    spa_hook core{};
    spa_hook registry{};
    pw_core_events coreEvents{};
    pw_registry_events registryEvents{};
};

ConsumerWatch::ConsumerWatch(std::string nodeName) : m_nodeName(std::move(nodeName))
{
    pw_init(nullptr, nullptr);
}

ConsumerWatch::~ConsumerWatch()
{
    disconnect();
}

void ConsumerWatch::disconnect()
{
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
    m_nodes.clear();
    m_links.clear();
    m_consumers = 0;
    m_connected = false;
}

bool ConsumerWatch::start()
{
    disconnect();
    m_loop = pw_thread_loop_new("tevalcam-watch", nullptr);
    if (!m_loop) {
        return false;
    }
    m_context = pw_context_new(pw_thread_loop_get_loop(m_loop), nullptr, 0);
    if (!m_context) {
        disconnect();
        return false;
    }
    if (pw_thread_loop_start(m_loop) != 0) {
        disconnect();
        return false;
    }
    pw_thread_loop_lock(m_loop);
    m_core = pw_context_connect(m_context, nullptr, 0);
    if (!m_core) {
        pw_thread_loop_unlock(m_loop);
        GST_CAT_DEBUG(tevalcam_debug, "no PipeWire daemon to watch: %s", std::strerror(errno));
        disconnect();
        return false;
    }
    m_listeners = std::make_unique<Listeners>();
    m_listeners->coreEvents.version = PW_VERSION_CORE_EVENTS;
    m_listeners->coreEvents.error = onCoreError;
    pw_core_add_listener(m_core, &m_listeners->core, &m_listeners->coreEvents, this);
    m_registry = pw_core_get_registry(m_core, PW_VERSION_REGISTRY, 0);
    m_listeners->registryEvents.version = PW_VERSION_REGISTRY_EVENTS;
    m_listeners->registryEvents.global = onGlobal;
    m_listeners->registryEvents.global_remove = onGlobalRemove;
    pw_registry_add_listener(m_registry, &m_listeners->registry, &m_listeners->registryEvents,
                             this);
    m_connected = true;
    pw_thread_loop_unlock(m_loop);
    return true;
}

void ConsumerWatch::onGlobal(void *self, uint32_t id, uint32_t, const char *type, uint32_t,
                             const spa_dict *props)
{
    auto *watch = static_cast<ConsumerWatch *>(self);
    if (std::strcmp(type, PW_TYPE_INTERFACE_Node) == 0) {
        const char *name = props ? spa_dict_lookup(props, PW_KEY_NODE_NAME) : nullptr;
        watch->m_nodes[id] = name && watch->m_nodeName == name;
    } else if (std::strcmp(type, PW_TYPE_INTERFACE_Link) == 0) {
        const char *output = props ? spa_dict_lookup(props, PW_KEY_LINK_OUTPUT_NODE) : nullptr;
        if (!output) {
            return;
        }
        watch->m_links[id] = uint32_t(std::strtoul(output, nullptr, 10));
    } else {
        return;
    }
    watch->recount();
}

void ConsumerWatch::onGlobalRemove(void *self, uint32_t id)
{
    auto *watch = static_cast<ConsumerWatch *>(self);
    if (watch->m_nodes.erase(id) + watch->m_links.erase(id) > 0) {
        watch->recount();
    }
}

void ConsumerWatch::onCoreError(void *self, uint32_t id, int, int res, const char *message)
{
    auto *watch = static_cast<ConsumerWatch *>(self);
    GST_CAT_DEBUG(tevalcam_debug, "PipeWire error on %u: %s (%d)", id, message ? message : "", res);
    if (id == PW_ID_CORE && res == -EPIPE) {
        watch->m_consumers = 0;
        watch->m_connected = false;
    }
}

void ConsumerWatch::recount()
{
    int count = 0;
    for (const auto &[link, output] : m_links) {
        const auto node = m_nodes.find(output);
        if (node != m_nodes.end() && node->second) {
            ++count;
        }
    }
    if (count != m_consumers) {
        GST_CAT_INFO(tevalcam_debug, "%d consumer(s) linked to %s", count, m_nodeName.c_str());
    }
    m_consumers = count;
}
