loopcaster_core_area(app
  SOURCES
    app/AppDependencyContainer.cpp
    app/AppLog.cpp
  LIBS lc_queue lc_models lc_settings Qt6::Core)
