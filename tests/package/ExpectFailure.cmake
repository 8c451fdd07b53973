# Runs a command that must fail and checks that its output says why: the
# output, with every run of white space made one space (CMake wraps its
# messages), must contain EXPECTED exactly. The command's arguments are
# separated by "|", which no path here holds (a ";" would not survive ctest).
#   cmake "-DCOMMAND=<arg>|<arg>..." "-DEXPECTED=..." -P ExpectFailure.cmake
cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" command "${COMMAND}")
execute_process(COMMAND ${command} RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
string(REGEX REPLACE "[ \t\r\n]+" " " flat "${output}")
string(FIND "${flat}" "${EXPECTED}" at)
if(result EQUAL 0)
  message(FATAL_ERROR "succeeded, but should have failed with: ${EXPECTED}\n${output}")
elseif(at EQUAL -1)
  message(FATAL_ERROR "failed (${result}) without saying: ${EXPECTED}\n${output}")
endif()
