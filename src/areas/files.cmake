loopcaster_core_area(files
  SOURCES
    platform/Bookmark.cpp
    services/FileService.cpp
  LIBS Qt6::Core)
