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

# tarn_host_headers(target FOLDER HEADER): a header-only Debian package (CLI11, nlohmann-json)
# whose headers live in /usr/include/FOLDER. The cross build reaches them through a folder of the
# build's own that links to FOLDER alone: all of /usr/include would put the host's C library
# before mingw's.
function(tarn_host_headers target folder header)
  find_path(TARN_${folder}_ROOT ${folder}/${header} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  if(CMAKE_CROSSCOMPILING)
    set(_links ${CMAKE_BINARY_DIR}/host-headers)
    file(MAKE_DIRECTORY ${_links})
    file(CREATE_LINK ${TARN_${folder}_ROOT}/${folder} ${_links}/${folder} SYMBOLIC)
    target_include_directories(${target} SYSTEM PRIVATE ${_links})
  else()
    target_include_directories(${target} SYSTEM PRIVATE ${TARN_${folder}_ROOT})
  endif()
endfunction()
