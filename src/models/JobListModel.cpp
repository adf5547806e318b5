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
    const MixJob* job = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case DisplayNameRole:
        return job->displayName();
    case JobRole:
        return QVariant::fromValue<QObject*>(const_cast<MixJob*>(job));
    case IdRole:
        return job->id();
    case StatusValueRole:
        return job->statusValue();
    case StatusMessageRole:
        return job->statusMessage();
    case ProgressRole:
        return job->progress();
    case OutputPathRole:
        return job->outputPath() ? QVariant(*job->outputPath()) : QVariant();
    case CreatedAtRole:
        return job->createdAt();
    default:
        return {};
    }
}

QHash<int, QByteArray> JobListModel::roleNames() const
{
    return {
        {JobRole, "job"},
        {IdRole, "id"},
        {DisplayNameRole, "displayName"},
        {StatusValueRole, "statusValue"},
        {StatusMessageRole, "statusMessage"},
        {ProgressRole, "progress"},
        {OutputPathRole, "outputPath"},
        {CreatedAtRole, "createdAt"},
    };
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
