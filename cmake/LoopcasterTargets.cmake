# The floors: one static library per folder of src/, each linking only the
# floors it may use. loopcaster_floor() records those uses so the layering
# test (tests/CMakeLists.txt) checks the includes against the same table.

# loopcaster_floor(<folder> [USES <floors>...] [LIBS <libraries>...] [EXCLUDE <files>...])
# Builds loopcaster_<folder> from every .cpp under src/<folder> (subfolders
# included) except the EXCLUDEd ones (an executable's main).
function(loopcaster_floor folder)
  cmake_parse_arguments(F "" "" "USES;LIBS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded IN LISTS F_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(loopcaster_${folder} STATIC ${sources})
  target_include_directories(loopcaster_${folder} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  set(floors ${F_USES})
  list(TRANSFORM floors PREPEND loopcaster_)
  target_link_libraries(loopcaster_${folder} PUBLIC ${floors} ${F_LIBS})
  list(JOIN F_USES "," uses)
  set_property(GLOBAL APPEND PROPERTY LOOPCASTER_FLOOR_RULES "${folder}=${uses}")
endfunction()

# Everything below the views stays free of Qt Widgets.
function(loopcaster_check_no_widgets target)
  get_target_property(libs ${target} LINK_LIBRARIES)
  foreach(lib IN LISTS libs)
    if(lib MATCHES "Widgets")
      message(FATAL_ERROR "${target} must not link Qt Widgets (found ${lib})")
    endif()
    if(TARGET ${lib} AND lib MATCHES "^loopcaster_")
      loopcaster_check_no_widgets(${lib})
    endif()
  endforeach()
endfunction()

# loopcaster_test(<name> SOURCES ... [FLOOR <the floor it tests>] [LIBS ...] [TIMEOUT s])
# A test links its floor (with the floors below it) and the test support.
function(loopcaster_test name)
  cmake_parse_arguments(T "" "TIMEOUT;FLOOR" "SOURCES;LIBS;AREAS" ${ARGN})
  if(T_AREAS)
    message(FATAL_ERROR "${name}: tests name the FLOOR they link, not AREAS")
  endif()
  add_executable(${name} ${T_SOURCES})
  if(T_FLOOR)
    target_link_libraries(${name} PRIVATE loopcaster_${T_FLOOR})
  endif()
  target_link_libraries(${name} PRIVATE lc_testsupport Qt6::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
endfunction()
