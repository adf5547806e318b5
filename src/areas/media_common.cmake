loopcaster_core_area(media_common
  SOURCES
    media/common/CancelToken.cpp
    media/common/CancellableFile.cpp
    media/common/FfmpegPtr.cpp
    media/common/InputFile.cpp
    media/common/MediaError.cpp
    media/common/MediaTime.cpp
  LIBS Qt6::Core PkgConfig::FFMPEG)
