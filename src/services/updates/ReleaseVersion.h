#pragma once
// A release's version as a feed may spell it: up to four numbers joined by
// dots and an optional short pre-release tag ("1.2.0", "0.2.0-beta.2").
// Anything else is not a version, so whatever a feed says about a release
// reaches the user only in this shape. Ordered the semantic-version way:
// trailing zero numbers do not count ("0.1.0.0" is "0.1.0"), and a
// pre-release comes before its release.

#include <QString>
#include <QVersionNumber>

#include <optional>

struct ReleaseVersion {
    QVersionNumber numbers;
    QString preRelease; // empty for a release

    static std::optional<ReleaseVersion> parse(const QString& text);
};

// Negative, zero or positive as `a` is older than, the same as or newer than `b`.
int compare(const ReleaseVersion& a, const ReleaseVersion& b);
