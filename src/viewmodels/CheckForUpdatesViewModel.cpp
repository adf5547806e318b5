#include "viewmodels/CheckForUpdatesViewModel.h"

#include "services/updates/UpdateChecker.h"

namespace {

// The page offered for a newer version, built from the feed's link: only an
// https address on a named host, and without user names, passwords or
// fragments. Nothing else a feed names is ever opened: no local file, no
// other program's scheme.
QUrl releaseLink(const QUrl& fromFeed)
{
    if (!fromFeed.isValid() || fromFeed.scheme() != QLatin1String("https") || fromFeed.host().isEmpty())
        return {};
    return fromFeed.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveFragment);
}

} // namespace

CheckForUpdatesViewModel::CheckForUpdatesViewModel(QUrl feedUrl, QVersionNumber currentVersion,
                                                   Schedule schedule, QObject* parent)
    : QObject(parent)
    , m_currentVersion(currentVersion)
{
    if (!feedUrl.isValid() || feedUrl.isEmpty())
        return;
    m_checker = new UpdateChecker(std::move(feedUrl), std::move(currentVersion), this);
    m_checker->setTimeoutMs(schedule.deadlineMs);
    connect(m_checker, &UpdateChecker::isCheckingChanged, this, &CheckForUpdatesViewModel::updateCanCheck);
    connect(m_checker, &UpdateChecker::finished, this, &CheckForUpdatesViewModel::onFinished);

    m_scheduleTimer.setSingleShot(true);
    connect(&m_scheduleTimer, &QTimer::timeout, this, [this, schedule] {
        startCheck(false);
        m_scheduleTimer.start(schedule.intervalMs);
    });
    m_scheduleTimer.start(schedule.firstCheckMs);
    updateCanCheck();
}

CheckForUpdatesViewModel::~CheckForUpdatesViewModel() = default;

void CheckForUpdatesViewModel::updateCanCheck()
{
    const bool can = m_checker && !m_checker->isChecking();
    if (can == m_canCheckForUpdates)
        return;
    m_canCheckForUpdates = can;
    emit canCheckForUpdatesChanged();
}

QString CheckForUpdatesViewModel::unavailableReason() const
{
    if (!m_checker)
        return tr("This build has no update feed");
    return m_canCheckForUpdates ? QString() : tr("Checking for updates...");
}

void CheckForUpdatesViewModel::checkForUpdates()
{
    if (m_canCheckForUpdates)
        startCheck(true);
}

void CheckForUpdatesViewModel::startCheck(bool userInitiated)
{
    if (!m_checker || m_checker->isChecking())
        return;
    m_userInitiated = userInitiated;
    m_checker->start();
}

void CheckForUpdatesViewModel::onFinished(const UpdateCheckResult& result)
{
    using Outcome = UpdateCheckResult::Outcome;
    // A check nobody asked for interrupts only with news.
    if (!m_userInitiated && result.outcome != Outcome::newerAvailable)
        return;

    UpdateReport report;
    switch (result.outcome) {
    case Outcome::newerAvailable:
        report.title = tr("A New Version Is Available");
        report.text = tr("Loopcaster %1 is available; you have %2.")
                          .arg(result.latestVersion, m_currentVersion.toString());
        report.link = releaseLink(result.link);
        if (!report.link.isEmpty())
            report.text += tr("\nGet it from %1").arg(report.link.toString());
        break;
    case Outcome::upToDate:
        report.title = tr("You're Up to Date");
        report.text = tr("Loopcaster %1 is the newest version available.").arg(m_currentVersion.toString());
        break;
    case Outcome::failed:
        report.title = tr("Update Check Failed");
        report.text = result.error;
        report.isError = true;
        break;
    }
    emit reportReady(report);
}
