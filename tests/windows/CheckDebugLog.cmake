# Runs the debug-log program under Wine with debugger-output tracing on and
# checks both sinks of ffglex::DebugLog: the text and then a line feed on
# the debugger output (two OutputDebugStringA calls, in that order), and the
# text as one line on standard output.
#   cmake -DRUNNER=scripts/wine-run -DPROGRAM=... -P CheckDebugLog.cmake
cmake_minimum_required(VERSION 3.25)
set(ENV{WINEDEBUG} "-all,+debugstr")
execute_process(COMMAND ${RUNNER} ${PROGRAM} "KESTRIN debug line"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} failed (${result}):\n${out}\n${err}")
endif()
if(NOT out STREQUAL "KESTRIN debug line\n")
  message(FATAL_ERROR "standard output was [${out}], expected the text and a line feed")
endif()
# Wine traces each call as: <thread>:<class>:debugstr:OutputDebugStringA "<text>"
set(call "[0-9a-f]+:[a-z]+:debugstr:OutputDebugStringA ")
if(NOT err MATCHES "${call}\"KESTRIN debug line\"\r?\n${call}\"\\\\n\"\r?\n")
  message(FATAL_ERROR "the debugger output did not get the text and then a line feed:\n${err}")
endif()
