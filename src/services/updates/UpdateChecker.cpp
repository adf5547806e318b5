#include "services/updates/UpdateChecker.h"

#include "services/ServicesLog.h"
#include "services/updates/Appcast.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <utility>

namespace {

// A feed is a few kilobytes; anything far larger is not one.
constexpr qint64 maxFeedBytes = 4 * 1024 * 1024;
// What the network layer may hold before we read it, so a huge body never
// piles up in memory ahead of the size check.
constexpr qint64 readBufferBytes = 64 * 1024;

} // namespace

UpdateChecker::UpdateChecker(QUrl feedUrl, QVersionNumber currentVersion, QObject* parent)
    : QObject(parent)
    , m_feedUrl(std::move(feedUrl))
    , m_currentVersion {std::move(currentVersion), {}}
    , m_network(new QNetworkAccessManager(this))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        refuse(tr("The update feed did not arrive within %1 seconds.").arg(m_timeoutMs / 1000.0));
    });
}

UpdateChecker::~UpdateChecker()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void UpdateChecker::start()
{
    if (m_reply)
        return;
    m_feed.clear();
    m_refusal.clear();
    QNetworkRequest request(m_feedUrl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    m_reply = m_network->get(request);
    m_reply->setReadBufferSize(readBufferBytes);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        // Refused before any of the body is read when the size is announced.
        if (m_reply && m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxFeedBytes)
            refuse(tooLarge());
    });
    connect(m_reply, &QNetworkReply::readyRead, this, [this] {
        if (m_reply && takeArrived(m_reply))
            refuse(tooLarge());
    });
    connect(m_reply, &QNetworkReply::finished, this, &UpdateChecker::onReplyFinished);
    // One deadline for the whole check: a transfer timeout restarts with
    // every byte, so a feed dripping slowly would never end.
    m_deadline.start(m_timeoutMs);
    emit isCheckingChanged();
}

QString UpdateChecker::tooLarge()
{
    return tr("The update feed is larger than %1 MiB.").arg(maxFeedBytes / (1024 * 1024));
}

bool UpdateChecker::takeArrived(QNetworkReply* reply)
{
    m_feed += reply->read(maxFeedBytes + 1 - m_feed.size());
    return m_feed.size() > maxFeedBytes;
}

void UpdateChecker::refuse(const QString& why)
{
    if (!m_reply || !m_refusal.isEmpty())
        return;
    m_refusal = why;
    m_reply->abort(); // finishes the reply, and so the check, at once
}

void UpdateChecker::onReplyFinished()
{
    QNetworkReply* reply = std::exchange(m_reply, nullptr);
    reply->deleteLater();
    m_deadline.stop();
    if (takeArrived(reply) && m_refusal.isEmpty())
        m_refusal = tooLarge();
    const QByteArray feed = std::exchange(m_feed, {});

    UpdateCheckResult result;
    if (!m_refusal.isEmpty()) {
        result.error = m_refusal;
    } else if (reply->error() != QNetworkReply::NoError) {
        result.error = tr("The update feed could not be reached: %1").arg(reply->errorString());
    } else {
        const Result<AppcastItem> newest = Appcast::newestItem(feed);
        if (!newest) {
            result.error = newest.error();
        } else {
            result.latestVersion = newest->versionText;
            result.link = newest->link;
            result.outcome = compare(newest->version, m_currentVersion) > 0 ? UpdateCheckResult::Outcome::newerAvailable
                                                                             : UpdateCheckResult::Outcome::upToDate;
        }
    }
    if (result.outcome == UpdateCheckResult::Outcome::failed)
        qCWarning(lcServices) << "update check failed:" << result.error;
    emit isCheckingChanged();
    emit finished(result);
}
