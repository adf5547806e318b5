#include "RawJobTable.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QtDebug>

RawJobTable::RawJobTable(const QString& path)
    : m_name(QStringLiteral("raw-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    m_db.open();
}

RawJobTable::~RawJobTable()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

bool RawJobTable::exec(const QString& sql, const QVariantList& binds)
{
    QSqlQuery q(m_db);
    q.prepare(sql);
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (q.exec())
        return true;
    qWarning().noquote() << "SQL failed:" << sql << q.lastError().text();
    return false;
}

QVariant RawJobTable::scalar(const QString& sql, const QVariantList& binds)
{
    QSqlQuery q(m_db);
    q.prepare(sql);
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        return {};
    return q.value(0);
}

QVariant RawJobTable::column(const QString& id, const QString& column)
{
    return scalar(QStringLiteral("SELECT %1 FROM jobs WHERE id = ?").arg(column), {id});
}

bool RawJobTable::insertRow(const QVariantMap& columns)
{
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i)
        marks.append(QStringLiteral("?"));
    return exec(QStringLiteral("INSERT INTO jobs (%1) VALUES (%2)")
                    .arg(columns.keys().join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                columns.values());
}

QVariantMap validRow(const QString& id, const QString& createdAt)
{
    return {
        {QStringLiteral("id"), id},
        {QStringLiteral("videoPath"), QStringLiteral("/videos/%1.mp4").arg(id.left(8))},
        {QStringLiteral("audioPaths"), QStringLiteral("[\"/songs/a.mp3\"]")},
        {QStringLiteral("progress"), 0.0},
        {QStringLiteral("statusValue"), 0},
        {QStringLiteral("statusMessage"), QStringLiteral("Waiting...")},
        {QStringLiteral("createdAt"), createdAt},
    };
}
