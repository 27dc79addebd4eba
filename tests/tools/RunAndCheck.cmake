# Runs a program and checks its exit code and, when given, that its output matches a pattern.
#   cmake -DPROGRAM=<path> [-DEMULATOR=<path>] [-DARGS=a|b|c] -DEXPECT_EXIT=<n> [-DEXPECT_OUTPUT=<regex>]
#         [-DCHECK_FILE=<path> -DEXPECT_FILE=<regex>] -P RunAndCheck.cmake
# EXPECT_FILE is matched against the file's text, or its hex digits when it begins with "hex:".
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
