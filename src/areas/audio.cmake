loopcaster_core_area(audio
  SOURCES
    media/audio/SongDecoder.cpp
    media/audio/SongMeasure.cpp
    media/audio/SongMeasureQueue.cpp
    media/audio/MixPlan.cpp
    media/audio/MixSource.cpp
    media/audio/AacWindowState.cpp
    media/audio/AacSegmentEncoder.cpp
    media/audio/MixedAudioEncoder.cpp
  LIBS lc_media_common)
