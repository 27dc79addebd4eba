# tarn_library(name [SHARED] SOURCES... [DEPS ...]): one library per layer folder, static unless
# SHARED is given.
function(tarn_library name)
  cmake_parse_arguments(ARG "SHARED" "" "SOURCES;DEPS" ${ARGN})
  if(ARG_SHARED)
    add_library(${name} SHARED ${ARG_SOURCES})
  else()
    add_library(${name} STATIC ${ARG_SOURCES})
  endif()
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE tarn_warnings)
endfunction()
