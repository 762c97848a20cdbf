#pragma once

#include <QString>
#include <functional>
#include <map>
#include <mutex>
#include <set>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_registry;
struct spa_dict;

// Counts the PipeWire links that leave this process's node of one name, that is the consumers
// of a node this process publishes (for example through pipewiresink).
//
// The watch keeps a connection of its own to the PipeWire daemon and follows its registry on a
// PipeWire thread: clients (to know which belong to this process), nodes and links. The change
// handler runs on that thread whenever the number of links changes; it must not block. A watch
// that cannot connect reports no links and says why in the debug log.
class PipeWireLinkWatch {
public:
    using ChangeHandler = std::function<void(int links)>;

    explicit PipeWireLinkWatch(const QString &nodeName, ChangeHandler onChange = {});
    ~PipeWireLinkWatch();
    PipeWireLinkWatch(const PipeWireLinkWatch &) = delete;
    PipeWireLinkWatch &operator=(const PipeWireLinkWatch &) = delete;

    bool isConnected() const { return m_core != nullptr; }
    // Links now leaving a node of that name owned by this process.
    int links() const;

    // Registry events (PipeWire thread; public for the C callbacks only).
    void addGlobal(unsigned id, const char *type, const spa_dict *props);
    void removeGlobal(unsigned id);

private:
    int countLinks() const; // m_mutex held
    void notifyIfChanged(); // m_mutex held

    const QByteArray m_nodeName;
    const ChangeHandler m_onChange;
    pw_thread_loop *m_loop = nullptr;
    pw_context *m_context = nullptr;
    pw_core *m_core = nullptr;
    pw_registry *m_registry = nullptr;
    struct Listener;
    Listener *m_listener = nullptr;

    mutable std::mutex m_mutex;
    std::set<unsigned> m_ownClients;
    std::map<unsigned, unsigned> m_nodeClients; // named nodes: node id -> client id
    std::map<unsigned, unsigned> m_linkOutputs; // link id -> output node id
    int m_reported = 0;
};
