#include "services/updates/UpdateChecker.h"

#include "services/ServicesLog.h"
#include "services/updates/Appcast.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// A feed is a few kilobytes; anything far larger is not one.
constexpr qint64 maxFeedBytes = 4 * 1024 * 1024;

} // namespace

UpdateChecker::UpdateChecker(QUrl feedUrl, QVersionNumber currentVersion, QObject* parent)
    : QObject(parent)
    , m_feedUrl(std::move(feedUrl))
    , m_currentVersion(std::move(currentVersion))
    , m_network(new QNetworkAccessManager(this))
{
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
    QNetworkRequest request(m_feedUrl);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateChecker::onReplyFinished);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        if (received > maxFeedBytes && m_reply)
            m_reply->abort();
    });
    emit isCheckingChanged();
}

void UpdateChecker::onReplyFinished()
{
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();

    UpdateCheckResult result;
    if (reply->error() != QNetworkReply::NoError) {
        result.error = QStringLiteral("The update feed could not be reached: %1").arg(reply->errorString());
    } else {
        const Result<AppcastItem> newest = Appcast::newestItem(reply->readAll());
        if (!newest) {
            result.error = newest.error();
        } else {
            result.latestVersion = newest->versionText;
            result.link = newest->link;
            result.outcome = newest->version > m_currentVersion ? UpdateCheckResult::Outcome::newerAvailable
                                                                : UpdateCheckResult::Outcome::upToDate;
        }
    }
    if (result.outcome == UpdateCheckResult::Outcome::failed)
        qCWarning(lcServices) << "update check failed:" << result.error;
    emit isCheckingChanged();
    emit finished(result);
}
