#pragma once
#include <QMainWindow>

class AppDependencyContainer;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppDependencyContainer& container, QWidget* parent = nullptr);
};
