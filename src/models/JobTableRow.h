#pragma once
// How one MixJob maps to one row of the jobs table: column names, the stored
// form of each field, and reading a row back. Reading is forgiving: a row
// that an older build, a crash or a hand edit left with odd values still
// loads (with a warning), because dropping it would lose the user's job.

#include <QString>
#include <QVariant>

class MixJob;
class QObject;
class QSqlQuery;

struct JobTableRow {
    // Bit flags, one per stored column, so the store can track which columns
    // of a record changed and write only those.
    enum Column : unsigned {
        id = 1u << 0,
        videoPath = 1u << 1,
        audioPaths = 1u << 2,
        outputPath = 1u << 3,
        progress = 1u << 4,
        statusValue = 1u << 5,
        statusMessage = 1u << 6,
        createdAt = 1u << 7,
        videoBookmark = 1u << 8,
        // Since schema version 2; NULL in older rows reads as the option off.
        loudnessTarget = 1u << 9,
        truePeakCeiling = 1u << 10,
        titlesFromTags = 1u << 11,
    };
    static constexpr unsigned allColumns = (1u << 12) - 1;
    static constexpr int columnCount = 12;

    static const char* name(Column column);
    static Column columnAt(int index);
    // "id, videoPath, ..." in schema order.
    static QString columnList();

    // The stored form of one field (SQL NULL for an absent optional).
    static QVariant value(const MixJob& job, Column column);
    // The id text a new row gets.
    static QString idText(const MixJob& job);

    // Builds a record from a row selected with columnList(); nullptr (with a
    // warning) when the id cannot be read. *key receives the id exactly as
    // stored, so later writes hit that row even if its spelling is unusual.
    static MixJob* read(const QSqlQuery& row, QObject* parent, QString* key);
};
