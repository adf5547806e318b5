#pragma once
// Live list of all job records, newest createdAt first. Updates on insert,
// delete and every field change of a record. The queue screen binds a card
// to each row it shows from jobAt() and follows the record itself; the
// model's only data is the job's name.

#include <QAbstractListModel>
#include <QList>

class JobStore;
class MixJob;

class JobListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit JobListModel(JobStore* store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    MixJob* jobAt(int row) const;
    int rowOf(const MixJob* job) const; // -1 when not listed

private:
    void onInserted(MixJob* job);
    void onAboutToRemove(MixJob* job);
    void onJobChanged(MixJob* job);

    QList<MixJob*> m_rows;
};
