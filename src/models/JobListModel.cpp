#include "models/JobListModel.h"

#include "models/JobStore.h"

#include <algorithm>

JobListModel::JobListModel(JobStore* store, QObject* parent)
    : QAbstractListModel(parent)
    , m_rows(store->allNewestFirst())
{
    connect(store, &JobStore::inserted, this, &JobListModel::onInserted);
    connect(store, &JobStore::aboutToRemove, this, &JobListModel::onAboutToRemove);
    connect(store, &JobStore::jobChanged, this, &JobListModel::onJobChanged);
    // The records die with their store; never show pointers into it after that.
    connect(store, &QObject::destroyed, this, [this] {
        beginResetModel();
        m_rows.clear();
        endResetModel();
    });
}

int JobListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant JobListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    return role == Qt::DisplayRole ? QVariant(m_rows.at(index.row())->displayName()) : QVariant();
}

MixJob* JobListModel::jobAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : nullptr;
}

int JobListModel::rowOf(const MixJob* job) const
{
    return int(m_rows.indexOf(job));
}

void JobListModel::onInserted(MixJob* job)
{
    // Newest first; a job as new as a listed one goes after it, as the
    // store's own newest-first order has it.
    const auto at = std::upper_bound(m_rows.cbegin(), m_rows.cend(), job->createdAt(),
                                     [](const QDateTime& date, const MixJob* row) { return date > row->createdAt(); });
    const int row = int(at - m_rows.cbegin());
    beginInsertRows({}, row, row);
    m_rows.insert(row, job);
    endInsertRows();
}

void JobListModel::onAboutToRemove(MixJob* job)
{
    const int row = rowOf(job);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void JobListModel::onJobChanged(MixJob* job)
{
    const int row = rowOf(job);
    if (row < 0)
        return;
    const QModelIndex at = index(row);
    emit dataChanged(at, at);
}
