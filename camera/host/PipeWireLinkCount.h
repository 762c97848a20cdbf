#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_registry;
struct spa_dict;

// Counts the PipeWire links that leave the nodes of one name, that is the consumers of a node a
// publisher puts into the graph (pipewiresink does not tell its application whether anything
// is linked). Either every node of that name counts, or only those of this process's clients.
//
// The count keeps a connection of its own to the PipeWire daemon and follows its registry on a
// PipeWire thread: clients, nodes and links. The change handler runs on that thread whenever
// the number of links changes; it must not block. The log receives one sentence for each
// failed step and each change; it runs on the caller's thread or PipeWire's.
class PipeWireLinkCount {
public:
    enum class Owner {
        Anyone,      // every node of the name
        ThisProcess, // the nodes of that name of this process's clients
    };
    using ChangeHandler = std::function<void(int links)>;
    using Log = std::function<void(const std::string &message)>;

    PipeWireLinkCount(std::string nodeName, Owner owner, std::string threadName,
                      ChangeHandler onChange = {}, Log log = {});
    ~PipeWireLinkCount();
    PipeWireLinkCount(const PipeWireLinkCount &) = delete;
    PipeWireLinkCount &operator=(const PipeWireLinkCount &) = delete;

    // Connects to the PipeWire daemon (after dropping an earlier connection); false when none
    // runs. isConnected() goes false when the daemon goes away; connect() may then be called
    // again.
    bool connect();
    bool isConnected() const { return m_connected; }
    // Links now leaving a counted node of that name.
    int links() const;

    // Registry and core events (PipeWire thread; public for the C callbacks only).
    void addGlobal(unsigned id, const char *type, const spa_dict *props);
    void removeGlobal(unsigned id);
    void coreError(unsigned id, int result, const char *message);

private:
    struct Listeners;
    void disconnect();
    int countLinks() const; // m_mutex held
    void notifyIfChanged(); // m_mutex held
    void log(const std::string &message) const;

    const std::string m_nodeName;
    const Owner m_owner;
    const std::string m_threadName;
    const ChangeHandler m_onChange;
    const Log m_log;
    pw_thread_loop *m_loop = nullptr;
    pw_context *m_context = nullptr;
    pw_core *m_core = nullptr;
    pw_registry *m_registry = nullptr;
    std::unique_ptr<Listeners> m_listeners;
    std::atomic<bool> m_connected{false};

    mutable std::mutex m_mutex;
    std::set<unsigned> m_ownClients;
    std::map<unsigned, unsigned> m_nodeClients; // named nodes: node id -> client id (or none)
    std::map<unsigned, unsigned> m_linkOutputs; // link id -> output node id
    int m_reported = 0;
};
