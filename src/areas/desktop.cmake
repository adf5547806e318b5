loopcaster_core_area(desktop
  SOURCES
    platform/FileManagerReveal.cpp
    services/updates/Appcast.cpp
    services/updates/ReleaseVersion.cpp
    services/updates/UpdateChecker.cpp
  LIBS Qt6::Core Qt6::Gui Qt6::DBus Qt6::Network)
