#pragma once
// The main window's content over a real service container in a temporary
// folder (store, preferences, a cool machine), for driving the screens the
// way a user does.

#include "app/AppDependencyContainer.h"
#include "models/MixJob.h"
#include "viewmodels/ViewModelContainer.h"
#include "views/ContentView.h"

#include <QTemporaryDir>

#include <memory>

// A record the window finds in its store when it opens.
struct StoredJob {
    QString file; // the source's name, e.g. "beach.mov"
    JobStatus status;
    QString message = "stored";
    float progress = 0;
};

class WindowFixture {
public:
    // With any `jobs` the queue is paused first, so the stand-in sources are
    // never rendered. Without `showContent` no window is made.
    explicit WindowFixture(const QList<StoredJob>& jobs = {}, bool showContent = true);

    // Declared in teardown order, reversed: the window before its view models
    // before the services.
    QTemporaryDir dir;
    std::unique_ptr<AppDependencyContainer> container;
    std::unique_ptr<ViewModelContainer> viewModels;
    std::unique_ptr<views::ContentView> content;
    QList<QUrl> revealed;

    template <class T>
    T* find(const QString& name) const
    {
        return content->findChild<T*>(name);
    }
    // An empty file in the temp dir (created with its folders).
    QUrl file(const QString& relativePath);
};

// The colours of a desktop's dark theme.
QPalette darkPalette();

class QueueFixture;
// The running job `name` of `f` exports a point a second for `seconds`
// seconds of the manual clock, from 30 %: long enough for its time left to show.
void exportSteadily(QueueFixture& f, const QString& name, int seconds);
