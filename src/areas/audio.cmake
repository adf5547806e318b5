loopcaster_core_area(audio
  SOURCES
    media/audio/SongMeasure.cpp
    media/audio/MixPlan.cpp
    media/audio/MixedAudioEncoder.cpp
  LIBS lc_media_common)
