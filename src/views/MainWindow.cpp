#include "views/MainWindow.h"

#include "app/AppDependencyContainer.h"

#include <QLabel>

MainWindow::MainWindow(AppDependencyContainer& container, QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Loopcaster"));
    setFixedSize(800, 520);
    auto* label = new QLabel(QStringLiteral("Loopcaster"), this);
    label->setAlignment(Qt::AlignCenter);
    setCentralWidget(label);
}
