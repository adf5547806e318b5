loopcaster_core_area(settings
  SOURCES
    services/SettingsService.cpp
    services/SongLibraryScanner.cpp
  LIBS lc_files Qt6::Core)
