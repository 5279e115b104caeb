// SPDX-License-Identifier: MIT
#include "platform/linux/SingleInstance.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace tarnquill {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A request is one short line; a peer that sends more is not this program.
constexpr std::size_t kLongestRequest = 256;
// A peer that connects and says nothing is dropped after this long.
constexpr auto kRequestTimeout = 2s;
// Pause between two tries to reach an instance that does not listen yet.
constexpr auto kRetryInterval = 50ms;

// The folder is resolved, not the file: a save renames a new file over
// tcb.txt, so a link standing where tcb.txt is would not outlive the first
// save, while a link to the folder keeps leading to the same store.
fs::path canonicalStoreFile(const fs::path& storeFile)
{
    const fs::path folder = storeFile.has_parent_path() ? storeFile.parent_path() : fs::path(".");
    std::error_code error;
    fs::path resolved = fs::canonical(folder, error);
    if (error) {
        resolved = fs::absolute(folder, error);
        resolved = fs::weakly_canonical(resolved, error);
    }
    return resolved.lexically_normal() / storeFile.filename();
}

// The same store and user always give the same name; a hash keeps it short
// enough for a socket path and free of the folder's characters.
QString keyOf(const fs::path& canonicalStore, uid_t user)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(static_cast<qulonglong>(user)));
    hash.addData(QByteArrayView("\n"));
    hash.addData(QByteArrayView(canonicalStore.c_str()));
    return QStringLiteral("tarnquill-") + QString::fromLatin1(hash.result().toHex().left(32));
}

fs::path defaultRuntimeFolder()
{
    // Qt checks $XDG_RUNTIME_DIR's owner and mode and makes a private
    // /tmp/runtime-<user> when it is unset.
    return fs::path(QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)).toStdString());
}

bool addressOf(const QString& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || static_cast<std::size_t>(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    return true;
}

// One connection to the listening instance: its request lines are read as
// they come, and it is dropped at its end, after kRequestTimeout, or when it
// sends more than a request.
class RequestReader final : public QObject {
public:
    RequestReader(int fd, SingleInstance& instance, std::function<void()> onShow)
        : QObject(&instance)
        , m_fd(fd)
        , m_readable(fd, QSocketNotifier::Read)
        , m_onShow(std::move(onShow))
    {
        connect(&m_readable, &QSocketNotifier::activated, this, [this] { read(); });
        QTimer::singleShot(kRequestTimeout, this, [this] { finish(); });
        read();
    }
    ~RequestReader() override { ::close(m_fd); }

private:
    void read()
    {
        if (m_finished)
            return;
        char buffer[kLongestRequest];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            if (got <= 0)
                return finish();
            m_pending.append(buffer, got);
            qsizetype end;
            while ((end = m_pending.indexOf('\n')) >= 0) {
                const QByteArray line = m_pending.left(end + 1);
                m_pending.remove(0, end + 1);
                if (line == SingleInstance::kShowRequest)
                    m_onShow();
                if (m_finished)
                    return;
            }
            if (static_cast<std::size_t>(m_pending.size()) >= kLongestRequest)
                return finish();
        }
    }
    void finish()
    {
        m_finished = true;
        m_readable.setEnabled(false);
        deleteLater();
    }

    int m_fd;
    QSocketNotifier m_readable;
    std::function<void()> m_onShow;
    QByteArray m_pending;
    bool m_finished = false;
};

} // namespace

SingleInstance::SingleInstance(const fs::path& storeFile)
    : SingleInstance(storeFile, Options{})
{
}

SingleInstance::SingleInstance(const fs::path& storeFile, Options options)
    : m_options(std::move(options))
    , m_canonicalStore(canonicalStoreFile(storeFile))
{
    if (m_options.runtimeFolder.empty())
        m_options.runtimeFolder = defaultRuntimeFolder();

    const QString key = keyOf(m_canonicalStore, m_options.user);
    const fs::path keyName(QFile::encodeName(key).toStdString());
    m_lockFile = m_canonicalStore.parent_path() / ("." + m_canonicalStore.filename().string() + ".lock");
    if (!m_options.runtimeFolder.empty())
        m_runtimeLockFile = m_options.runtimeFolder / (keyName.string() + ".lock");

    // The temporary folder, where the user id in the key keeps users apart,
    // holds the socket only when the runtime folder is missing or too deep
    // for a socket path.
    const fs::path socket = m_options.runtimeFolder / keyName;
    if (!m_options.runtimeFolder.empty() && socket.native().size() < sizeof(sockaddr_un::sun_path))
        m_serverName = QFile::decodeName(socket.c_str());
    else
        m_serverName = QDir::tempPath() + QLatin1Char('/') + key;
}

SingleInstance::~SingleInstance()
{
    release();
}

void SingleInstance::release()
{
    if (m_listenFd >= 0) {
        m_listening.reset();
        ::close(m_listenFd);
        m_listenFd = -1;
        ::unlink(QFile::encodeName(m_serverName).constData());
    }
    if (m_lockFd >= 0) {
        // Removed while still locked: a start that opened this file in the
        // meantime finds, once it has the lock, that the name now leads
        // elsewhere, and tries again (see lockAt).
        ::unlink(m_lockFile.c_str());
        ::close(m_lockFd);
        m_lockFd = -1;
    }
}

SingleInstance::LockResult SingleInstance::lockAt(const fs::path& file)
{
    // Only an ending instance removes the file, and it can do so between our
    // open and our flock at most once per ending instance.
    for (int attempt = 0; attempt < 8; ++attempt) {
        // Read-only: a lock needs no write access, and the file never holds data.
        const int fd = ::open(file.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return LockResult::Unavailable;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            return error == EWOULDBLOCK ? LockResult::Busy : LockResult::Unavailable;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::lstat(file.c_str(), &named) == 0 && held.st_dev == named.st_dev
            && held.st_ino == named.st_ino) {
            m_lockFd = fd;
            m_lockFile = file;
            return LockResult::Held;
        }
        ::close(fd);
    }
    return LockResult::Unavailable;
}

bool SingleInstance::acquire()
{
    if (holdsStore())
        return true;
    LockResult result = lockAt(m_lockFile);
    if (result == LockResult::Unavailable && !m_runtimeLockFile.empty())
        result = lockAt(m_runtimeLockFile);
    if (result == LockResult::Busy)
        return false;
    if (result == LockResult::Unavailable)
        qWarning("tarnquill: no lock file could be made for %s; a second start would not be noticed",
                 m_canonicalStore.c_str());
    listen();
    return true;
}

void SingleInstance::listen()
{
    sockaddr_un address;
    if (!addressOf(m_serverName, address)) {
        qWarning("tarnquill: %s is too long for a socket", qPrintable(m_serverName));
        return;
    }
    // A socket file left by a killed instance makes bind fail. While we hold
    // the lock no other instance of this store can be listening, so whatever
    // is there is stale; without the lock it may not be.
    if (holdsStore())
        ::unlink(address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    // Made private to the user before anyone can connect: the runtime folder
    // is, the temporary folder is not.
    const mode_t previous = ::umask(0077);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(previous);
    if (!bound || ::listen(fd, 16) != 0) {
        qWarning("tarnquill: cannot listen on %s: %s", qPrintable(m_serverName), std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return;
    }
    m_listenFd = fd;
    m_listening = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_listening.get(), &QSocketNotifier::activated, this, [this] { acceptRequests(); });
}

void SingleInstance::acceptRequests()
{
    for (;;) {
        const int peer = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (peer < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        new RequestReader(peer, *this, [this] { emit showRequested(); });
    }
}

bool SingleInstance::askRunningToShow()
{
    sockaddr_un address;
    if (!addressOf(m_serverName, address))
        return false;
    const auto deadline = std::chrono::steady_clock::now() + m_options.patience;
    for (;;) {
        // Non-blocking: an instance too busy to accept (its queue full) is
        // tried again like one that does not listen yet.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return false;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            // A few bytes on a fresh local socket: its buffer takes them at once.
            const std::size_t size = std::strlen(kShowRequest);
            ssize_t sent;
            do
                sent = ::send(fd, kShowRequest, size, MSG_NOSIGNAL);
            while (sent < 0 && errno == EINTR);
            ::close(fd);
            return sent == static_cast<ssize_t>(size);
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kRetryInterval);
    }
}

} // namespace tarnquill
