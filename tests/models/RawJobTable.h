#pragma once
// Direct SQL access to a job store file, independent of JobStore: to plant
// rows the app would never write and to read back exactly what is on disk.

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class RawJobTable {
public:
    explicit RawJobTable(const QString& path);
    ~RawJobTable();
    RawJobTable(const RawJobTable&) = delete;
    RawJobTable& operator=(const RawJobTable&) = delete;

    bool exec(const QString& sql, const QVariantList& binds = {});
    // First column of the first row (invalid when there is none).
    QVariant scalar(const QString& sql, const QVariantList& binds = {});
    // The stored value of one column of the row whose id text is `id`.
    QVariant column(const QString& id, const QString& column);
    // Inserts a row; columns not given are NULL.
    bool insertRow(const QVariantMap& columns);

private:
    QString m_name;
    QSqlDatabase m_db;
};

// A complete, valid row with the given id and creation time.
QVariantMap validRow(const QString& id, const QString& createdAt);
