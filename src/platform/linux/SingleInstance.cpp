#include "platform/linux/SingleInstance.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace tarnquill {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A request is one short line; a peer that sends more is not this program.
constexpr qint64 kLongestRequest = 256;
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

    // A bare name puts the socket in the temporary folder, where the user id
    // in the key keeps users apart; used only when the runtime folder is
    // missing or too deep for a socket path.
    const fs::path socket = m_options.runtimeFolder / keyName;
    if (!m_options.runtimeFolder.empty() && socket.native().size() < sizeof(sockaddr_un::sun_path))
        m_serverName = QFile::decodeName(socket.c_str());
    else
        m_serverName = key;

    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequests(socket); });
            // A request written just before the peer hung up is still to be read.
            connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
                readRequests(socket);
                socket->deleteLater();
            });
            QTimer::singleShot(kRequestTimeout, socket, [socket] { socket->abort(); });
            readRequests(socket);
        }
    });
}

SingleInstance::~SingleInstance()
{
    release();
}

void SingleInstance::release()
{
    m_server.close();
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
    // A socket file left by a killed instance makes a plain bind fail (Qt's
    // private-socket path happens to rename over it, a detail not to lean
    // on). While we hold the lock no other instance of this store can be
    // listening, so whatever is there is stale; without the lock it may not be.
    if (holdsStore())
        QLocalServer::removeServer(m_serverName);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_serverName))
        qWarning("tarnquill: cannot listen on %s: %s", qPrintable(m_serverName), qPrintable(m_server.errorString()));
}

void SingleInstance::readRequests(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(kLongestRequest);
        if (line == kShowRequest)
            emit showRequested();
    }
    if (socket->bytesAvailable() >= kLongestRequest)
        socket->abort();
}

bool SingleInstance::askRunningToShow()
{
    const auto deadline = std::chrono::steady_clock::now() + m_options.patience;
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(500)) {
            socket.write(kShowRequest);
            const bool sent = socket.waitForBytesWritten(1000) || socket.bytesToWrite() == 0;
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState)
                socket.waitForDisconnected(500);
            return sent;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kRetryInterval);
    }
}

} // namespace tarnquill
