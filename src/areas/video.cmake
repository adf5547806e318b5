loopcaster_core_area(video
  SOURCES
    media/video/ClipReader.cpp
    media/video/PrefixCutFinder.cpp
    media/video/VideoLoopSource.cpp
    media/video/ImageHeader.cpp
    media/video/ImageDecoder.cpp
    media/video/Orientation.cpp
    media/video/FrameSize.cpp
    media/video/GopEncoder.cpp
    media/video/StillImageSource.cpp
    media/mux/MovieMuxer.cpp
  LIBS lc_media_common PkgConfig::HEIF)
