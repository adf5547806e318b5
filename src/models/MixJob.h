#pragma once
// MixJob: the persistent job record. One live object per stored row, owned by
// its JobStore; every field change is observable and reaches disk by itself
// (the store coalesces writes).

#include "models/JobStatus.h"
#include "models/MixOptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <optional>

class JobStore;

class MixJob : public QObject {
    Q_OBJECT
    Q_PROPERTY(QUuid id READ id CONSTANT)
    Q_PROPERTY(QString videoPath READ videoPath WRITE setVideoPath NOTIFY videoPathChanged)
    Q_PROPERTY(QStringList audioPaths READ audioPaths WRITE setAudioPaths NOTIFY audioPathsChanged)
    Q_PROPERTY(QString outputPath READ outputPathOrEmpty NOTIFY outputPathChanged)
    Q_PROPERTY(float progress READ progress WRITE setProgress NOTIFY progressChanged)
    Q_PROPERTY(qint64 statusValue READ statusValue WRITE setStatusValue NOTIFY statusValueChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage WRITE setStatusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(QDateTime createdAt READ createdAt NOTIFY createdAtChanged)
    Q_PROPERTY(QString displayName READ displayName NOTIFY videoPathChanged)

public:
    // A new record (not yet in any store): new id, the source's path and
    // bookmark (made by whoever adds the job; absent when it could not be
    // made), the song paths, no output path, progress 0, pending,
    // "Waiting...", created now.
    MixJob(const QUrl& videoURL, const QList<QUrl>& audioURLs, std::optional<QByteArray> videoBookmark,
           QObject* parent = nullptr);

    QUuid id() const { return m_id; }
    QString videoPath() const { return m_videoPath; }
    QStringList audioPaths() const { return m_audioPaths; }
    std::optional<QString> outputPath() const { return m_outputPath; }
    QString outputPathOrEmpty() const { return m_outputPath.value_or(QString()); }
    float progress() const { return m_progress; }
    qint64 statusValue() const { return m_statusValue; }
    QString statusMessage() const { return m_statusMessage; }
    QDateTime createdAt() const { return m_createdAt; }
    std::optional<QByteArray> videoBookmark() const { return m_videoBookmark; }
    MixOptions mixOptions() const { return m_mixOptions; }

    void setVideoPath(const QString& v);
    void setAudioPaths(const QStringList& v);
    void setOutputPath(const std::optional<QString>& v);
    void setProgress(float v);
    void setStatusValue(qint64 v);
    void setStatusMessage(const QString& v);
    void setVideoBookmark(const std::optional<QByteArray>& v);
    void setMixOptions(const MixOptions& v);
    // One progress report of a run: both fields, then a single `changed`, so
    // the row showing the job repaints once per report.
    void reportProgress(float fraction, const QString& message);

    // Derived.
    JobStatus status() const { return jobStatusFromValue(m_statusValue); }
    void setStatus(JobStatus s) { setStatusValue(qint64(s)); }
    QList<QUrl> audioURLs() const;
    std::optional<QUrl> outputURL() const;
    QString displayName() const;

    // Identity: two MixJob are equal only when they are the same record, i.e.
    // the same object (the store keeps one live object per row).

signals:
    void videoPathChanged();
    void audioPathsChanged();
    void outputPathChanged();
    void progressChanged();
    void statusValueChanged();
    void statusMessageChanged();
    void createdAtChanged();
    void videoBookmarkChanged();
    void mixOptionsChanged();
    // Any stored field changed (after the specific signal).
    void changed(MixJob* job);

private:
    friend class JobStore;
    friend struct JobTableRow;
    MixJob(QObject* parent); // used by the store when loading rows

    QUuid m_id;
    QString m_videoPath;
    QStringList m_audioPaths;
    std::optional<QString> m_outputPath;
    float m_progress = 0;
    qint64 m_statusValue = 0;
    QString m_statusMessage;
    QDateTime m_createdAt;
    std::optional<QByteArray> m_videoBookmark;
    MixOptions m_mixOptions;
};
