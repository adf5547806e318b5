#include "viewmodels/ShownStatus.h"

#include "models/JobStatus.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

// "Mixing audio %1/%2..." as a pattern whose groups are the numbers.
QRegularExpression patternOf(const char* text)
{
    QStringList pieces = QString::fromLatin1(text).split(QRegularExpression(QStringLiteral("%\\d")));
    for (QString& piece : pieces)
        piece = QRegularExpression::escape(piece);
    return QRegularExpression(QLatin1Char('^') + pieces.join(QStringLiteral("([0-9.]+)")) + QLatin1Char('$'));
}

} // namespace

QString shownStatus(const QString& stored)
{
    // A message composed with details (a file name, a cause) matches none
    // and stays as it is.
    const QString whole = QCoreApplication::translate("JobStatus", stored.toUtf8().constData());
    if (whole != stored)
        return whole;
    static const auto patterns = [] {
        std::array<QRegularExpression, statusTemplate::all.size()> out;
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = patternOf(statusTemplate::all[i]);
        return out;
    }();
    for (size_t i = 0; i < patterns.size(); ++i) {
        const QRegularExpressionMatch match = patterns[i].match(stored);
        if (!match.hasMatch())
            continue;
        QString shown = QCoreApplication::translate("JobStatus", statusTemplate::all[i]);
        for (int group = 1; group <= match.lastCapturedIndex(); ++group)
            shown = shown.arg(match.captured(group));
        return shown;
    }
    return stored;
}
