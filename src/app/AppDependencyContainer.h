#pragma once
// The root object: opens the job store, then creates every long-lived service
// in a fixed order, and owns them for the life of the process.

#include <QObject>
#include <memory>

class JobStore;

class AppDependencyContainer : public QObject {
    Q_OBJECT
public:
    AppDependencyContainer(std::unique_ptr<JobStore> store, QObject* parent = nullptr);
    ~AppDependencyContainer() override;

    bool isInitialized() const { return m_isInitialized; }
    JobStore& modelContainer() { return *m_modelContainer; }

private:
    bool m_isInitialized = false;
    std::unique_ptr<JobStore> m_modelContainer;
};
