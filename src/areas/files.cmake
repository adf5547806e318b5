loopcaster_core_area(files
  SOURCES
    platform/Bookmark.cpp
    platform/ConsoleLine.cpp
    services/FileService.cpp
  LIBS Qt6::Core)
