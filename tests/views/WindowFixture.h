#pragma once
// The main window's content over a real service container in a temporary
// folder (store, preferences, a cool machine), for driving the screens the
// way a user does.

#include "app/AppDependencyContainer.h"
#include "models/MixJob.h"
#include "viewmodels/ViewModelContainer.h"
#include "views/ContentView.h"

#include <QTemporaryDir>
#include <QWidget>

#include <memory>

class WindowFixture {
public:
    WindowFixture();
    ~WindowFixture();

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
    // A playlist folder of `songs` (empty) song files, chosen in the settings.
    void choosePlaylist(int songs);
    // A stored record in `status`, shown at the top of the queue.
    MixJob* storeJob(const QString& name, qint64 statusValue);
};

// Drags `urls` over `target` as a file manager would and, when `drop`, lets
// go on it; returns whether the drop was accepted.
bool dragFiles(QWidget* target, const QList<QUrl>& urls, bool drop);
