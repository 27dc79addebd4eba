# Runs a program and checks its exit code and, when given, that its output matches a pattern.
#   cmake -DPROGRAM=<path> [-DEMULATOR=<path>] [-DARGS=a|b|c] -DEXPECT_EXIT=<n> [-DEXPECT_OUTPUT=<regex>]
#         [-DEXPECT_STDOUT=<regex>] [-DEXPECT_JSON=member.0.name=regex|...]
#         [-DCHECK_FILE=<path> -DEXPECT_FILE=<regex>] -P RunAndCheck.cmake
# EXPECT_OUTPUT is matched against standard output and error together, EXPECT_STDOUT against
# standard output alone. EXPECT_JSON parses standard output as JSON and matches each member (a
# path of names and array indexes) against its pattern. EXPECT_FILE is matched against the file's
# text, or its hex digits when it begins with "hex:".
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${args}
                RESULT_VARIABLE exit_code OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT exit_code STREQUAL EXPECT_EXIT)
  message(FATAL_ERROR "exit code ${exit_code}, expected ${EXPECT_EXIT}")
endif()
if(DEFINED EXPECT_OUTPUT AND NOT "${out}${err}" MATCHES "${EXPECT_OUTPUT}")
  message(FATAL_ERROR "output does not match: ${EXPECT_OUTPUT}")
endif()
if(DEFINED EXPECT_STDOUT AND NOT "${out}" MATCHES "${EXPECT_STDOUT}")
  message(FATAL_ERROR "standard output does not match: ${EXPECT_STDOUT}")
endif()
string(REPLACE "|" ";" members "${EXPECT_JSON}")
foreach(member IN LISTS members)
  string(REGEX MATCH "^([^=]*)=(.*)$" _ "${member}")
  set(pattern "${CMAKE_MATCH_2}")
  string(REPLACE "." ";" path "${CMAKE_MATCH_1}")
  string(JSON value ERROR_VARIABLE error GET "${out}" ${path})
  if(error OR NOT value MATCHES "${pattern}")
    message(FATAL_ERROR "${CMAKE_MATCH_1} is \"${value}\" ${error}, expected ${pattern}")
  endif()
endforeach()
if(DEFINED CHECK_FILE)
  if(EXPECT_FILE MATCHES "^hex:(.*)")
    set(pattern "${CMAKE_MATCH_1}")
    file(READ "${CHECK_FILE}" content HEX)
  else()
    set(pattern "${EXPECT_FILE}")
    file(READ "${CHECK_FILE}" content)
  endif()
  if(NOT content MATCHES "${pattern}")
    message(FATAL_ERROR "${CHECK_FILE} does not match: ${pattern}\n${content}")
  endif()
endif()
