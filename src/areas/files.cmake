loopcaster_core_area(files
  SOURCES
    platform/Bookmark.cpp
    platform/ConsoleLine.cpp
    platform/PlatformLog.cpp
    platform/QuitSignalWatcher.cpp
    platform/SingleInstance.cpp
    services/FileService.cpp
    services/ServicesLog.cpp
  LIBS Qt6::Core Qt6::Network)
