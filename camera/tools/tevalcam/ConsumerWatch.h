#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_registry;
struct spa_dict;

// Counts the consumers linked to the camera node, from PipeWire's registry: the links whose
// output node is a node of the published name. pipewiresink itself does not tell its
// application whether anything is linked (it silently drops frames while its stream is not
// streaming), so the publisher watches the graph from a connection of its own. The count is
// kept on PipeWire's thread and read from any thread.
class ConsumerWatch {
public:
    explicit ConsumerWatch(std::string nodeName);
    ~ConsumerWatch();
    ConsumerWatch(const ConsumerWatch &) = delete;
    ConsumerWatch &operator=(const ConsumerWatch &) = delete;

    // Connects to the PipeWire daemon; false when none runs. connected() goes false when the
    // daemon goes away; start() may then be called again.
    bool start();
    bool connected() const { return m_connected; }
    int consumers() const { return m_consumers; }

private:
    struct Listeners;
    static void onGlobal(void *self, uint32_t id, uint32_t permissions, const char *type,
                         uint32_t version, const spa_dict *props);
    static void onGlobalRemove(void *self, uint32_t id);
    static void onCoreError(void *self, uint32_t id, int seq, int res, const char *message);
    void recount();
    void disconnect();

    std::string m_nodeName;
    pw_thread_loop *m_loop = nullptr;
    pw_context *m_context = nullptr;
    pw_core *m_core = nullptr;
    pw_registry *m_registry = nullptr;
    std::unique_ptr<Listeners> m_listeners;
    // Touched on PipeWire's thread only (under its lock).
    std::map<uint32_t, bool> m_nodes;     // node id -> has the published name
    std::map<uint32_t, uint32_t> m_links; // link id -> output node id
    std::atomic<int> m_consumers{0};
    std::atomic<bool> m_connected{false};
};
