# Run after a test executable is built: lists its test functions and writes
# one CTest test per function, so that the functions of a long test run in
# parallel. Inputs: EXE, NAME, LABEL, TIMEOUT, ENV (|-separated), OUT.
string(REPLACE "|" ";" env "${ENV}")
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(COMMAND "${EXE}" -functions OUTPUT_VARIABLE listing RESULT_VARIABLE rc
                TIMEOUT 60)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${EXE} -functions failed (${rc})")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(content "")
foreach(line ${lines})
  string(STRIP "${line}" line)
  if(line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)\\(\\)$")
    set(fn ${CMAKE_MATCH_1})
    string(APPEND content
      "add_test([=[${NAME}::${fn}]=] [=[${EXE}]=] ${fn})\n"
      "set_tests_properties([=[${NAME}::${fn}]=] PROPERTIES ENVIRONMENT [=[${env}]=] LABELS ${LABEL} TIMEOUT ${TIMEOUT})\n")
  endif()
endforeach()
if(content STREQUAL "")
  message(FATAL_ERROR "${EXE} lists no test functions")
endif()
file(WRITE "${OUT}" "${content}")
