loopcaster_core_area(remux
  SOURCES
    services/RemuxError.cpp
    services/RemuxRun.cpp
    services/TracklistWriter.cpp
    services/MixOutputName.cpp
    services/SongChooser.cpp
    platform/ThreadPriority.cpp
  LIBS lc_audio lc_video lc_files Qt6::Core)
