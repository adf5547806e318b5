#pragma once
// One app per job store: the first launch holds a lock file and listens on a
// local socket; a later launch hands its file arguments (made absolute
// against its own working folder) to the first over that socket and exits,
// so two schedulers never run on one store. Both live in the user's runtime
// folder (or, without a usable one, a private folder in the temp folder),
// named after the store; a folder others can enter or that is a symlink is
// refused.

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `key` names what the instance guards (the job store's path);
    // `folder` holds the lock file and socket (the runtime folder when empty);
    // claim() fails unless it is a folder only this user can enter.
    explicit SingleInstance(const QString& key, const QString& folder = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Role {
        first,      // this process runs the app; filesReceived() reports later launches
        handedOff,  // another process runs it and took the arguments: exit 0
        failed,     // another process holds the store but did not answer: errorString()
    };
    // Call once, before opening the store.
    Role claim(const QStringList& fileArguments, int answerTimeoutMs = 5000);
    QString errorString() const { return m_error; }

    // File arguments as a launch would send them: absolute, options left out.
    static QStringList absoluteFileArguments(const QStringList& arguments, const QString& workingFolder);

signals:
    // A later launch: it wants the window in front, and (when it had any)
    // its files opened.
    void activationRequested();
    void filesReceived(const QStringList& absolutePaths);

private:
    bool sendTo(const QStringList& files, int timeoutMs);
    void acceptConnections();

    QString m_folderProblem;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    QString m_error;
};
