# Runs glowpond-trace with ARGS and fails unless its output has the SHA-256
# digest EXPECTED: the motion must not change by accident.
#   cmake -DTRACE=... -DARGS="..." -DEXPECTED=... -P trace_digest.cmake
separate_arguments(args UNIX_COMMAND "${ARGS}")
execute_process(COMMAND ${TRACE} ${args} OUTPUT_VARIABLE output RESULT_VARIABLE status)
string(SHA256 digest "${output}")
if(NOT status EQUAL 0 OR NOT digest STREQUAL EXPECTED)
  message(FATAL_ERROR "glowpond-trace ${ARGS}: status ${status}, digest ${digest}, expected ${EXPECTED}")
endif()
