#pragma once
// Records everything a RemuxProgress emits, in order, including anything that
// arrives after the stream ended (which must never happen).

#include "services/RemuxWorker.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

struct ProgressRecorder {
    QList<QPair<float, QString>> updates;
    int finishedCount = 0;
    QList<RemuxError> errors;
    int eventsAfterEnd = 0;

    explicit ProgressRecorder(RemuxProgress* progress)
    {
        QObject::connect(progress, &RemuxProgress::update, progress,
                         [this](float fraction, const QString& message) {
                             if (ended())
                                 ++eventsAfterEnd;
                             updates.append({fraction, message});
                         });
        QObject::connect(progress, &RemuxProgress::finished, progress, [this] {
            if (ended())
                ++eventsAfterEnd;
            ++finishedCount;
        });
        QObject::connect(progress, &RemuxProgress::failed, progress, [this](const RemuxError& e) {
            if (ended())
                ++eventsAfterEnd;
            errors.append(e);
        });
    }

    // "fraction|message" with the fraction at nine significant digits, which
    // tells any two floats apart: comparing these lists compares exactly and
    // prints a readable difference.
    static QString describe(float fraction, const QString& message)
    {
        return QString::asprintf("%.9g|", double(fraction)) + message;
    }
    static QStringList describe(const QList<QPair<float, QString>>& list)
    {
        QStringList out;
        for (const auto& u : list)
            out << describe(u.first, u.second);
        return out;
    }
    QStringList described() const { return describe(updates); }

    bool ended() const { return finishedCount + errors.size() > 0; }
    QString errorText() const { return errors.isEmpty() ? QString() : errors.first().errorDescription(); }
};
