# Runs TlsExhaustionProgram under Wine and expects it to end with the C
# runtime's abort code (3) within the time limit, after taking every TLS
# index: not 0 (storage handed out without an index) and not a hang.
#   cmake -DRUNNER=scripts/wine-run -DPROGRAM=... -DMODULE=... -P CheckTlsExhaustion.cmake
cmake_minimum_required(VERSION 3.25)
# timeout ends the whole process group, Wine's process included (and the
# output still in the pipe).
execute_process(COMMAND timeout -k 5 60 ${RUNNER} ${PROGRAM} ${MODULE}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
if(result EQUAL 124 OR result EQUAL 137)
  message(FATAL_ERROR "${PROGRAM} hung after running out of TLS indexes:\n${out}\n${err}")
endif()
if(NOT out MATCHES "every TLS index taken")
  message(FATAL_ERROR "${PROGRAM} did not get to take every TLS index (${result}):\n${out}\n${err}")
endif()
if(NOT result EQUAL 3)
  message(FATAL_ERROR "${PROGRAM} ended with ${result}, expected the abort code 3:\n${out}\n${err}")
endif()
