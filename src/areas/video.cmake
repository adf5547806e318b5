loopcaster_core_area(video
  SOURCES
    media/video/VideoLoopSource.cpp
    media/video/StillImageSource.cpp
    media/mux/MovieMuxer.cpp
  LIBS lc_media_common PkgConfig::HEIF)
