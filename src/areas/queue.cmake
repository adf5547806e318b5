loopcaster_core_area(queue
  SOURCES
    services/JobService.cpp
    services/JobRender.cpp
    services/MediaRenderEngine.cpp
    services/OutputFiles.cpp
    services/RunPreflight.cpp
    services/ThermalService.cpp
    services/ToastManager.cpp
    services/NotificationService.cpp
    platform/SysfsThermalSource.cpp
  LIBS lc_models lc_settings lc_remux Qt6::Core Qt6::Gui Qt6::DBus)
