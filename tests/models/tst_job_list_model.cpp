// The live list of jobs the queue screen shows: newest first, kept in order
// as jobs come, go and change.

#include "RawJobTable.h"

#include "models/JobListModel.h"
#include "models/JobStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using Setter = std::function<void(MixJob&)>;
Q_DECLARE_METATYPE(Setter)

namespace {

// Rows as stored, scrambled; one lies in the future so a job created now
// does not simply go to the top, and one is in milliseconds since the epoch
// (2024-03-01T10:00:00.500Z, just after the third).
const QStringList kDates {"2024-03-02T10:00:00.000Z", "2100-01-01T00:00:00.000Z", "2024-03-01T10:00:00.000Z",
                          "2024-03-03T10:00:00.000Z", "1709287200500"};
// Indices into kDates, newest first.
const QList<int> kNewestFirst {1, 3, 0, 4, 2};

} // namespace

class TestJobListModel : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<JobStore> m_store;
    std::unique_ptr<JobListModel> m_model;
    QList<QUuid> m_ids; // parallel to kDates

    QUuid idAt(int row) const { return m_model->data(m_model->index(row), JobListModel::IdRole).toUuid(); }
    QUuid newest(int rank) const { return m_ids[kNewestFirst[rank]]; }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        const QString path = m_dir->filePath("jobs.sqlite");
        QString error;
        QVERIFY2(JobStore::open(path, &error), qPrintable(error));
        m_ids.clear();
        {
            RawJobTable raw(path);
            for (const QString& date : kDates) {
                m_ids.append(QUuid::createUuid());
                QVERIFY(raw.insertRow(validRow(m_ids.last().toString(QUuid::WithoutBraces), date)));
            }
        }
        m_store = JobStore::open(path, &error);
        QVERIFY2(m_store, qPrintable(error));
        m_store->setFlushDelayMs(3600 * 1000);
        m_model = std::make_unique<JobListModel>(m_store.get());
        // The scheduler's order (oldest first) is the list's, reversed.
        const QList<MixJob*> oldestFirst = *m_store->fetch({}, JobStore::Sort::createdAtAscending);
        QCOMPARE(oldestFirst.size(), kDates.size());
        for (int rank = 0; rank < kDates.size(); ++rank) {
            QCOMPARE(idAt(rank), newest(rank));
            QCOMPARE(oldestFirst[kDates.size() - 1 - rank], m_model->jobAt(rank));
        }
    }
    void cleanup()
    {
        m_model.reset();
        m_store.reset();
        m_dir.reset();
    }

    void insertGoesToItsSortedRow()
    {
        QSignalSpy inserted(m_model.get(), &QAbstractItemModel::rowsInserted);
        auto* job = new MixJob(QUrl::fromLocalFile("/v/new.mp4"), {});
        m_store->insert(job);

        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 1); // below the future row only
        QCOMPARE(inserted.first().at(2).toInt(), 1);
        QCOMPARE(m_model->jobAt(1), job);
        QCOMPARE(m_model->data(m_model->index(1), Qt::DisplayRole).toString(), QStringLiteral("new"));
        QCOMPARE(m_model->rowCount(), kDates.size() + 1);
    }

    void removeDropsTheRowAtOnce()
    {
        QSignalSpy removed(m_model.get(), &QAbstractItemModel::rowsRemoved);
        // While the view is told a row goes, the row still shows that job.
        int announced = -1;
        connect(m_model.get(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [&](const QModelIndex&, int first) {
                    announced = first;
                    QCOMPARE(idAt(first), newest(2));
                });

        m_store->remove(m_store->find(newest(2)));

        QCOMPARE(announced, 2);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().at(1).toInt(), 2);
        QCOMPARE(m_model->rowCount(), kDates.size() - 1);
        for (int row = 0; row < kDates.size() - 1; ++row) {
            QCOMPARE(idAt(row), newest(row < 2 ? row : row + 1));
            QCOMPARE(m_model->jobAt(row), m_store->find(idAt(row)));
        }
    }

    void fieldChangeUpdatesOnlyThatRow_data()
    {
        QTest::addColumn<Setter>("set");
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("shown");
        QTest::newRow("progress") << Setter([](MixJob& j) { j.setProgress(0.75f); }) << int(JobListModel::ProgressRole)
                                  << QVariant(0.75f);
        QTest::newRow("status message") << Setter([](MixJob& j) { j.setStatusMessage("Initializing..."); })
                                        << int(JobListModel::StatusMessageRole) << QVariant("Initializing...");
        QTest::newRow("status") << Setter([](MixJob& j) { j.setStatus(JobStatus::completed); })
                                << int(JobListModel::StatusValueRole) << QVariant(qint64(3));
        QTest::newRow("output path") << Setter([](MixJob& j) { j.setOutputPath("/out/x_mix_1.mp4"); })
                                     << int(JobListModel::OutputPathRole) << QVariant("/out/x_mix_1.mp4");
        // The name drops the last extension only; a leading or trailing dot is none.
        QTest::newRow("source renamed") << Setter([](MixJob& j) { j.setVideoPath("/v.d/My.Clip.final.mov"); })
                                        << int(JobListModel::DisplayNameRole) << QVariant("My.Clip.final");
        QTest::newRow("hidden source") << Setter([](MixJob& j) { j.setVideoPath("/v.d/.clip"); })
                                       << int(JobListModel::DisplayNameRole) << QVariant(".clip");
        QTest::newRow("trailing dot") << Setter([](MixJob& j) { j.setVideoPath("/v/clip."); })
                                      << int(JobListModel::DisplayNameRole) << QVariant("clip.");
    }
    void fieldChangeUpdatesOnlyThatRow()
    {
        QFETCH(Setter, set);
        QFETCH(int, role);
        QFETCH(QVariant, shown);
        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
        MixJob* job = m_model->jobAt(3);

        set(*job);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 3);
        QCOMPARE(changed.first().at(1).toModelIndex().row(), 3);
        QCOMPARE(m_model->data(m_model->index(3), role), shown);

        set(*job); // same value again: nothing to redraw
        QCOMPARE(changed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestJobListModel)
#include "tst_job_list_model.moc"
