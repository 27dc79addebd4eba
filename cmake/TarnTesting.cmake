# GoogleTest for both builds, and Wine as the emulator that runs the Windows test executables.
if(CMAKE_CROSSCOMPILING)
  set(TARN_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${TARN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(_t gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${_t})
      add_library(GTest::${_t} ALIAS ${_t})
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()

if(CMAKE_CROSSCOMPILING AND NOT TARN_WINE_RUN)
  # Debian's wine64 and wine32 packages put their loaders under /usr/lib/wine, not on the PATH. The
  # prefix is always a 64-bit one (made by wine64); a 32-bit build runs its programs, regsvr32 and
  # cscript included, with the 32-bit loader, which takes the system programs from SysWOW64 and
  # writes the registry's 32-bit view (Wow6432Node), as on 64-bit Windows.
  set(_wine_paths PATHS /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine NO_DEFAULT_PATH)
  find_program(TARN_WINE_BOOT NAMES wine64 wine ${_wine_paths})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    find_program(TARN_WINE_LOADER NAMES wine ${_wine_paths})
  else()
    set(TARN_WINE_LOADER ${TARN_WINE_BOOT})
  endif()
  find_program(TARN_WINE_SERVER NAMES wineserver64 wineserver ${_wine_paths})
  if(NOT TARN_WINE_BOOT OR NOT TARN_WINE_LOADER OR NOT TARN_WINE_SERVER)
    message(FATAL_ERROR "Wine not found: install wine64 and wine32 (scripts/test.sh does)")
  endif()
  set(TARN_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(TARN_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()
if(TARN_WINE_RUN)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARN_WINE_RUN})
  # One prefix and one persistent wineserver for the whole ctest run.
  add_test(NAME wine_prefix COMMAND ${TARN_WINE_RUN} --setup)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine)
  add_test(NAME wine_stop COMMAND ${TARN_WINE_RUN} --stop)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# tarn_add_gtest(name SOURCES ... [DEPS ...]): one test executable, one CTest test (Wine starts once per executable).
function(tarn_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest_main tarn_warnings)
  add_test(NAME ${name} COMMAND ${name})
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

# tarn_add_command_test(name COMMAND ...): a test that runs a command (emulated when cross-built).
function(tarn_add_command_test name)
  add_test(NAME ${name} ${ARGN})
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()
