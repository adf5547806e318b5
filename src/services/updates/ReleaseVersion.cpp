#include "services/updates/ReleaseVersion.h"

#include <QRegularExpression>

std::optional<ReleaseVersion> ReleaseVersion::parse(const QString& text)
{
    static const QRegularExpression shape(QRegularExpression::anchoredPattern(
        QStringLiteral("([0-9]{1,9}(?:\\.[0-9]{1,9}){0,3})(?:-([0-9A-Za-z]{1,12}(?:\\.[0-9A-Za-z]{1,12}){0,2}))?")));
    const auto match = shape.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return ReleaseVersion {QVersionNumber::fromString(match.captured(1)), match.captured(2)};
}

namespace {

// Dot-separated tag fields in turn: numbers by value and before words, words
// by their characters; a tag that runs out first is the older.
int comparePreRelease(const QString& a, const QString& b)
{
    const QStringList left = a.split(QLatin1Char('.'));
    const QStringList right = b.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < left.size() && i < right.size(); ++i) {
        bool leftIsNumber = false;
        bool rightIsNumber = false;
        const qlonglong l = left[i].toLongLong(&leftIsNumber);
        const qlonglong r = right[i].toLongLong(&rightIsNumber);
        if (leftIsNumber && rightIsNumber && l != r)
            return l < r ? -1 : 1;
        if (leftIsNumber != rightIsNumber)
            return leftIsNumber ? -1 : 1;
        if (const int words = left[i].compare(right[i]); !leftIsNumber && words != 0)
            return words;
    }
    return int(left.size() - right.size());
}

} // namespace

int compare(const ReleaseVersion& a, const ReleaseVersion& b)
{
    if (const int numbers = QVersionNumber::compare(a.numbers.normalized(), b.numbers.normalized()))
        return numbers;
    if (a.preRelease.isEmpty() || b.preRelease.isEmpty())
        return int(a.preRelease.isEmpty()) - int(b.preRelease.isEmpty());
    return comparePreRelease(a.preRelease, b.preRelease);
}
