#include "app/AppDependencyContainer.h"
#include "models/JobStore.h"
#include "views/MainWindow.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("loopcaster"));
    QString error;
    auto store = JobStore::open(JobStore::defaultPath(), &error);
    if (!store) {
        std::printf("Failed to create ModelContainer: %s\n", qPrintable(error));
        return 1;
    }
    AppDependencyContainer container(std::move(store));
    MainWindow window(container);
    window.show();
    return app.exec();
}
