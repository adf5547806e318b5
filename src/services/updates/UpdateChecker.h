#pragma once
// One check of the update feed over the network: fetches the feed, finds its
// newest release and compares it with the running version. Never blocks and
// never throws; every failure ends as a result with a message.

#include <QObject>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

class QNetworkAccessManager;
class QNetworkReply;

struct UpdateCheckResult {
    enum class Outcome { newerAvailable, upToDate, failed };
    Outcome outcome = Outcome::failed;
    QString latestVersion; // as the feed spells it
    QUrl link;
    QString error;         // why it failed
};

class UpdateChecker : public QObject {
    Q_OBJECT
public:
    UpdateChecker(QUrl feedUrl, QVersionNumber currentVersion, QObject* parent = nullptr);
    ~UpdateChecker() override;

    bool isChecking() const { return m_reply != nullptr; }
    // Starts a check unless one is running; the answer comes as finished().
    void start();

    // A network request that hangs is given up after this long.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

signals:
    void isCheckingChanged();
    void finished(const UpdateCheckResult& result);

private:
    void onReplyFinished();

    QUrl m_feedUrl;
    QVersionNumber m_currentVersion;
    QNetworkAccessManager* m_network = nullptr;
    QNetworkReply* m_reply = nullptr;
    int m_timeoutMs = 30000;
};
