#pragma once
// One check of the update feed over the network: fetches the feed, finds its
// newest release and compares it with the running version. Never blocks and
// never throws; every failure ends as a result with a message. A feed larger
// than a few MiB, or one that takes longer than the deadline in all, is given
// up without being read further.

#include "services/updates/ReleaseVersion.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
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

    // A check still running this long after it started is given up.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

signals:
    void isCheckingChanged();
    void finished(const UpdateCheckResult& result);

private:
    // Takes what has arrived, up to one byte past the cap; true once past it.
    bool takeArrived(QNetworkReply* reply);
    void refuse(const QString& why);
    void onReplyFinished();
    static QString tooLarge();

    QUrl m_feedUrl;
    ReleaseVersion m_currentVersion;
    QNetworkAccessManager* m_network = nullptr;
    QNetworkReply* m_reply = nullptr;
    int m_timeoutMs = 30000;
    QTimer m_deadline;
    QByteArray m_feed;  // read so far
    QString m_refusal;  // why the check was cut short
};
