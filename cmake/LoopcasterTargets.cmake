# Helpers that keep the core / GUI split explicit.
#
# The core is one static library (loopcaster_core) assembled from one object
# library per area (lc_models, lc_media, ...). Areas never link Qt Widgets;
# loopcaster_check_no_widgets() fails the configure step if one does.

set(LOOPCASTER_CORE_AREAS "" CACHE INTERNAL "")

# loopcaster_core_area(<name> SOURCES ... LIBS ...)
function(loopcaster_core_area name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(lc_${name} OBJECT ${A_SOURCES})
  target_include_directories(lc_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(lc_${name} PUBLIC ${A_LIBS})
  set_target_properties(lc_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  set(LOOPCASTER_CORE_AREAS ${LOOPCASTER_CORE_AREAS} ${name} CACHE INTERNAL "")
endfunction()

function(loopcaster_check_no_widgets target)
  get_target_property(libs ${target} LINK_LIBRARIES)
  if(libs)
    foreach(lib IN LISTS libs)
      if(lib MATCHES "Widgets")
        message(FATAL_ERROR "${target} must not link Qt Widgets (found ${lib})")
      endif()
      if(TARGET ${lib} AND lib MATCHES "^lc_")
        loopcaster_check_no_widgets(${lib})
      endif()
    endforeach()
  endif()
endfunction()

option(LOOPCASTER_TEST_AREAS_ONLY
  "Link each test against only the core areas it names (faster, isolated builds while developing)" OFF)

# loopcaster_test(<name> SOURCES ... AREAS <core areas it uses> [LIBS ...] [TIMEOUT s])
# Every test links the core (and the view models when it needs them).
function(loopcaster_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;AREAS;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(LOOPCASTER_TEST_AREAS_ONLY AND T_AREAS)
    list(TRANSFORM T_AREAS PREPEND lc_)
    target_link_libraries(${name} PRIVATE ${T_AREAS})
  else()
    target_link_libraries(${name} PRIVATE loopcaster_core)
  endif()
  target_link_libraries(${name} PRIVATE lc_testsupport Qt6::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
endfunction()
