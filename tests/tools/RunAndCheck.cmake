# Runs a program and checks its exit code and, when given, that its output matches a pattern.
#   cmake -DPROGRAM=<path> [-DEMULATOR=<path>] [-DARGS=a|b|c] -DEXPECT_EXIT=<n> [-DEXPECT_OUTPUT=<regex>] -P RunAndCheck.cmake
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
