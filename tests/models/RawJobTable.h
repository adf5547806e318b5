#pragma once
// Direct SQL access to a job store file, independent of JobStore: to plant
// rows the app would never write and to read back exactly what is on disk.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QVariantMap>
#include <QtDebug>

class RawJobTable {
public:
    explicit RawJobTable(const QString& path) : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        db.open();
    }
    ~RawJobTable() { QSqlDatabase::removeDatabase(m_name); }
    RawJobTable(const RawJobTable&) = delete;
    RawJobTable& operator=(const RawJobTable&) = delete;

    // Runs one statement; *first gets the first column of the first row.
    bool exec(const QString& sql, const QVariantList& binds = {}, QVariant* first = nullptr)
    {
        QSqlQuery q(QSqlDatabase::database(m_name));
        q.prepare(sql);
        for (const QVariant& v : binds)
            q.addBindValue(v);
        if (!q.exec()) {
            qWarning().noquote() << "SQL failed:" << sql << q.lastError().text();
            return false;
        }
        if (first && q.next())
            *first = q.value(0);
        return true;
    }
    QVariant scalar(const QString& sql, const QVariantList& binds = {})
    {
        QVariant v;
        exec(sql, binds, &v);
        return v;
    }
    QVariant column(const QString& id, const QString& column)
    {
        return scalar(QStringLiteral("SELECT %1 FROM jobs WHERE id = ?").arg(column), {id});
    }
    // Columns not given are NULL.
    bool insertRow(const QVariantMap& row)
    {
        const QStringList marks(row.size(), QStringLiteral("?"));
        return exec(QStringLiteral("INSERT INTO jobs (%1) VALUES (%2)")
                        .arg(row.keys().join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                    row.values());
    }

private:
    QString m_name;
};

// A complete, valid row with the given id and creation time.
inline QVariantMap validRow(const QString& id, const QString& createdAt)
{
    return {{QStringLiteral("id"), id},
            {QStringLiteral("videoPath"), QStringLiteral("/videos/%1.mp4").arg(id.left(8))},
            {QStringLiteral("audioPaths"), QStringLiteral("[\"/songs/a.mp3\"]")},
            {QStringLiteral("progress"), 0.0},
            {QStringLiteral("statusValue"), 0},
            {QStringLiteral("statusMessage"), QStringLiteral("Waiting...")},
            {QStringLiteral("createdAt"), createdAt}};
}
