#include "app/AppDependencyContainer.h"

#include "models/JobStore.h"

AppDependencyContainer::AppDependencyContainer(std::unique_ptr<JobStore> store, QObject* parent)
    : QObject(parent)
    , m_isInitialized(true)
    , m_modelContainer(std::move(store))
{
}

AppDependencyContainer::~AppDependencyContainer() = default;
