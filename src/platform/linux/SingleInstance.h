// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <memory>

#include <sys/types.h>
#include <unistd.h>

class QSocketNotifier;

namespace tarnquill {

// One running instance per store file. Two instances saving one tcb.txt would
// each overwrite the other's entries, so a second start only asks the running
// one to come forward and leaves the store alone.
//
// The store is claimed with an exclusive flock held for the life of this
// object, on a lock file beside the store (the same inode whichever path the
// folder was reached by), or, where that folder cannot hold one, on a lock
// file in the user's runtime folder named after the store's canonical path.
// The instance that holds it listens on a local socket, named from the same
// path and the user id, for the request to come forward.
//
// Decide with acquire() before anything reads or writes the store.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    struct Options {
        // The user's runtime folder: the socket, and the lock when the store
        // folder cannot hold it. Empty: $XDG_RUNTIME_DIR as Qt finds it.
        std::filesystem::path runtimeFolder;
        // How long a second start keeps trying to reach an instance that holds
        // the store but does not listen yet (it is starting up).
        std::chrono::milliseconds patience = std::chrono::seconds(3);
        // Part of the socket's name: two users' instances never meet, even
        // where the socket falls back to the shared temporary folder.
        uid_t user = ::getuid();
    };

    explicit SingleInstance(const std::filesystem::path& storeFile);
    SingleInstance(const std::filesystem::path& storeFile, Options options);
    // Releases the store: the lock file goes, then the lock with it.
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Claims the store for this process and starts listening. False when
    // another instance holds it. When no lock can be taken at all (no
    // writable folder anywhere), true without one: running unguarded beats
    // not running.
    bool acquire();
    bool holdsStore() const { return m_lockFd >= 0; }
    // Lets the store go now (the destructor's work), for an end that runs no
    // destructors. Safe to call more than once.
    void release();

    // From a start that did not acquire: asks the instance that holds the store
    // to come forward. Retries for `patience` while nobody listens. True when
    // the request was handed over. Never blocks on an instance that is busy.
    bool askRunningToShow();

    // The store file with its folder's symbolic links and relative parts
    // resolved: what both the lock and the socket are keyed to.
    const std::filesystem::path& canonicalStore() const { return m_canonicalStore; }
    // The lock file in use once acquire() ran; before that, the one beside the
    // store that it tries first.
    const std::filesystem::path& lockFile() const { return m_lockFile; }
    // The path of the local (AF_UNIX) socket.
    const QString& serverName() const { return m_serverName; }

    // The text a request is made of: one line, so that later requests can
    // carry more (a startup id, say) without breaking older instances.
    static constexpr const char* kShowRequest = "show\n";

signals:
    // Another start with the same store asked this one to come forward.
    void showRequested();

private:
    enum class LockResult { Held, Busy, Unavailable };
    LockResult lockAt(const std::filesystem::path& file);
    void listen();
    void acceptRequests();

    Options m_options;
    std::filesystem::path m_canonicalStore;
    std::filesystem::path m_runtimeLockFile;
    std::filesystem::path m_lockFile;
    QString m_serverName;
    int m_lockFd = -1;
    int m_listenFd = -1;
    std::unique_ptr<QSocketNotifier> m_listening;
};

} // namespace tarnquill
