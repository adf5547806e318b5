// The live list of jobs the queue screen shows: newest first, kept in order
// as jobs come, go and change.

#include "RawJobTable.h"

#include "models/JobListModel.h"
#include "models/JobStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

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

    QUuid idAt(int row) const { return m_model->jobAt(row)->id(); }
    QUuid newest(int rank) const { return m_ids[kNewestFirst[rank]]; }

private slots:
    void init()
    {
        m_model.reset();
        m_store.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        const QString path = m_dir->filePath("jobs.sqlite");
        QVERIFY(JobStore::open(path));
        m_ids.clear();
        {
            RawJobTable raw(path);
            for (const QString& date : kDates) {
                m_ids.append(QUuid::createUuid());
                QVERIFY(raw.insertRow(validRow(m_ids.last().toString(QUuid::WithoutBraces), date)));
            }
        }
        auto opened = JobStore::open(path);
        QVERIFY2(opened, qPrintable(opened.error().text));
        m_store = std::move(*opened);
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
    // A removed job's row goes at once; a new job goes to its sorted row.
    void rowsFollowRemovalAndInsertion()
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

        QSignalSpy inserted(m_model.get(), &QAbstractItemModel::rowsInserted);
        auto* job = new MixJob(QUrl::fromLocalFile("/v/new.mp4"), {}, {});
        m_store->insert(job);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 1); // below the future row only
        QCOMPARE(inserted.first().at(2).toInt(), 1);
        QCOMPARE(m_model->jobAt(1), job);
        QCOMPARE(m_model->rowCount(), kDates.size());
    }

    // Every field change updates that row once and waits to be written;
    // writing the value a field already has is no change (no redraw, no write).
    void fieldChangesNotifyOnce()
    {
        MixJob& job = *m_model->jobAt(3);
        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
        // The fields a run changes after the job is stored.
        const std::function<void()> sets[] {[&] { job.setOutputPath("/o.mp4"); },
                                            [&] { job.setOutputPath(QString()); }, // empty is not absent
                                            [&] { job.setProgress(0.5f); },
                                            [&] { job.setStatusValue(9); },
                                            [&] { job.setStatusMessage("Finished"); },
                                            [&] { job.reportProgress(0.7f, "Remuxing... 70%"); }};
        for (int i = 0; i < int(std::size(sets)); ++i) {
            QVERIFY(m_store->save());
            sets[i]();
            sets[i]();
            QVERIFY2(changed.count() == i + 1, qPrintable(QStringLiteral("setter %1").arg(i)));
            QCOMPARE(changed.last().at(0).toModelIndex().row(), 3);
            QVERIFY(m_store->hasPendingChanges());
        }
    }

    // The name drops the last extension only; a leading or trailing dot is none.
    void displayName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("dots in name and folder") << "/v.d/My.Clip.final.mov" << "My.Clip.final";
        QTest::newRow("no extension, dotted folder") << "/v.d/clip" << "clip";
        QTest::newRow("hidden file") << "/v.d/.clip" << ".clip";
        QTest::newRow("trailing dot") << "/v/clip." << "clip.";
    }
    void displayName()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        MixJob job(QUrl::fromLocalFile(path), {}, {});
        QCOMPARE(job.displayName(), name);
    }
};

QTEST_GUILESS_MAIN(TestJobListModel)
#include "tst_job_list_model.moc"
