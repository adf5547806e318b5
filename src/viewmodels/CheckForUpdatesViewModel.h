#pragma once
// The "Check for Updates..." command: whether a check can start now, the
// user's own check, and the quiet daily check that speaks up only when a newer
// version exists. Without a feed URL in the build no check can ever start.

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QVersionNumber>

class UpdateChecker;
struct UpdateCheckResult;

struct UpdateReport {
    QString title;
    QString text;
    QUrl link;        // where to get the newer version; empty otherwise
    bool isError = false;
};

Q_DECLARE_METATYPE(UpdateReport)

class CheckForUpdatesViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    struct Schedule {
        int firstCheckMs = 60 * 1000;            // after start-up settles
        int intervalMs = 24 * 60 * 60 * 1000;    // then once a day
        int deadlineMs = 30 * 1000;              // for the whole of one check
    };

    CheckForUpdatesViewModel(QUrl feedUrl, QVersionNumber currentVersion, Schedule schedule,
                             QObject* parent = nullptr);
    CheckForUpdatesViewModel(QUrl feedUrl, QVersionNumber currentVersion, QObject* parent = nullptr)
        : CheckForUpdatesViewModel(std::move(feedUrl), std::move(currentVersion), Schedule {}, parent) {}
    ~CheckForUpdatesViewModel() override;

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    // Why the command is unavailable (no feed in this build, a check under
    // way); empty while it is available.
    QString unavailableReason() const;

    // The user asked: whatever the answer, it is reported.
    void checkForUpdates();

signals:
    void canCheckForUpdatesChanged();
    void reportReady(const UpdateReport& report);

private:
    void startCheck(bool userInitiated);
    void onFinished(const UpdateCheckResult& result);
    void updateCanCheck();

    QVersionNumber m_currentVersion;
    UpdateChecker* m_checker = nullptr;
    QTimer m_scheduleTimer;
    bool m_userInitiated = false;
    bool m_canCheckForUpdates = false;
};
