#include "platform/SingleInstance.h"

#include "platform/PlatformLog.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The reply that tells a later launch its files were taken.
constexpr char kTaken = 'k';

// Bounds what a connecting client can make us buffer.
constexpr qint64 kMaxMessageBytes = 4 << 20;

// Why `path` cannot hold the lock and socket, or nothing: it must be a real
// folder (not a symlink) of this user that nobody else can enter, or another
// user could plant a lock that keeps us from starting, or a socket that
// receives the files we open.
QString folderProblem(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return QStringLiteral("%1 is not a folder").arg(path);
    if (st.st_uid != ::geteuid() || (st.st_mode & 077) != 0)
        return QStringLiteral("%1 is not private to this user").arg(path);
    return {};
}

// The user's runtime folder when it is private, else a private folder of our
// own in the temp folder (made if missing).
QString defaultFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && folderProblem(runtime).isEmpty())
        return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/loopcaster-%1").arg(::geteuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700); // one already there is checked like any other
    return own;
}

// A socket file of this user: never hand file names to anyone else's.
bool isOwnSocket(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode)
        && st.st_uid == ::geteuid();
}

} // namespace

SingleInstance::SingleInstance(const QString& key, const QString& folder, QObject* parent) : QObject(parent)
{
    const QString dir = folder.isEmpty() ? defaultFolder() : folder;
    m_folderProblem = folderProblem(dir);
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    const QString base = QDir(dir).filePath(QStringLiteral("loopcaster-") + QString::fromLatin1(hash));
    m_socketPath = base + QStringLiteral(".sock");
    m_lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0); // only a dead owner makes the lock stale, never its age
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QStringList SingleInstance::absoluteFileArguments(const QStringList& arguments, const QString& workingFolder)
{
    QStringList files;
    const QDir cwd(workingFolder);
    for (const QString& arg : arguments) {
        if (arg.isEmpty() || arg.startsWith(QLatin1Char('-')))
            continue;
        files << QDir::cleanPath(cwd.absoluteFilePath(arg));
    }
    return files;
}

SingleInstance::Role SingleInstance::claim(const QStringList& fileArguments, int answerTimeoutMs)
{
    // The lock decides who is first; the socket only carries messages. The
    // first process may still be starting up and not listen yet, so a later
    // one keeps trying for a while.
    if (!m_folderProblem.isEmpty()) {
        m_error = QStringLiteral("no private folder for the lock file: ") + m_folderProblem;
        return Role::failed;
    }
    const QDeadlineTimer deadline(answerTimeoutMs);
    for (;;) {
        if (m_lock->tryLock(0)) {
            QLocalServer::removeServer(m_socketPath); // a dead owner's socket file
            m_server = new QLocalServer(this);
            m_server->setSocketOptions(QLocalServer::UserAccessOption);
            if (!m_server->listen(m_socketPath)) {
                // Still the only scheduler on the store; later launches then
                // fail with a clear message instead of starting a second one.
                qCWarning(lcPlatform, "Single instance: cannot listen on %s: %s", qPrintable(m_socketPath),
                         qPrintable(m_server->errorString()));
            }
            connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
            return Role::first;
        }
        if (m_lock->error() != QLockFile::LockFailedError) {
            m_error = QStringLiteral("cannot create the lock file beside %1").arg(m_socketPath);
            return Role::failed;
        }
        if (sendTo(fileArguments, 500))
            return Role::handedOff;
        if (deadline.hasExpired())
            break;
        QThread::msleep(50);
    }
    m_error = QStringLiteral("Loopcaster is already running for this job store but does not answer");
    return Role::failed;
}

bool SingleInstance::sendTo(const QStringList& files, int timeoutMs)
{
    if (!isOwnSocket(m_socketPath))
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray message;
    {
        QDataStream encode(&message, QIODevice::WriteOnly);
        encode << files;
    }
    QDataStream out(&socket);
    out << message;
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Exit only once the running app has the files.
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    char reply = 0;
    return socket.getChar(&reply) && reply == kTaken;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QByteArray message;
            in >> message;
            if (socket->bytesAvailable() > kMaxMessageBytes || in.status() == QDataStream::ReadCorruptData) {
                socket->abort();
                return;
            }
            if (!in.commitTransaction())
                return; // wait for the rest
            QStringList files;
            QDataStream decode(message);
            decode >> files;
            socket->putChar(kTaken);
            socket->flush();
            emit activationRequested();
            if (!files.isEmpty())
                emit filesReceived(files);
        });
    }
}
