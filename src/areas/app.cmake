loopcaster_core_area(app
  SOURCES
    app/AppDependencyContainer.cpp
  LIBS lc_queue Qt6::Core)
