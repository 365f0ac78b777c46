# sms_library(<target> [STATIC] [DEPS <targets>...])
# A static library of every .cpp in the calling folder (shared in the
# sanitizer build: instrumented, the libraries linked into each of a hundred
# test programs would fill a small CI disk); an interface library while the
# folder has no sources yet. STATIC keeps it static in every build (a
# library that takes in a static archive built without -fPIC).
set(SMS_LIBRARY_TYPE STATIC)
if(SMSTOOLS_SANITIZE)
  set(SMS_LIBRARY_TYPE SHARED)
endif()
function(sms_library target)
  cmake_parse_arguments(ARG "STATIC" "" "DEPS" ${ARGN})
  set(type ${SMS_LIBRARY_TYPE})
  if(ARG_STATIC)
    set(type STATIC)
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX ".*/main\\.cpp$")
  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(srcs)
    add_library(${target} ${type} ${srcs} ${hdrs})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
  set_property(GLOBAL APPEND PROPERTY SMS_LIBRARIES ${target})
endfunction()

# sms_tests(<folder-label> [LABEL <label>] [UNIT|E2E <tst_name>...]
#           [SPLIT <tst_name>...] [DEPS <targets>...])
# One test executable for each tst_*.cpp in the calling folder, run by CTest
# on Qt's offscreen platform. Each test carries one CTest label for
# `ctest -L`: unit (quick, no simulated module), e2e (the programs against
# the simulated module) or files (Access files). LABEL is the folder's
# (unit when not given); UNIT and E2E name the tests that differ from it.
# The tests named under SPLIT become one CTest test per test function
# ("<folder>/<tst_name>::<function>"), so that a long one runs in parallel.
# A test named tst_random_actions* also carries the label `random`: a form
# driven by random action sequences, a fixed set under CTest (scripts/fuzz.sh
# --long runs them longer, from fresh seeds); shrinking a failure may take a while, so they
# get more time before CTest gives up on them.
set(SMS_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})
function(sms_tests label)
  cmake_parse_arguments(ARG "" "LABEL" "DEPS;UNIT;E2E;SPLIT" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  # Sanitizer builds run several times slower.
  set(timeout 300)
  if(SMSTOOLS_SANITIZE)
    set(timeout 900)
  endif()
  set(env "QT_QPA_PLATFORM=offscreen;SMSTOOLS_SOURCE_DIR=${PROJECT_SOURCE_DIR};SMSTOOLS_BINARY_DIR=${PROJECT_BINARY_DIR}")
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(src ${tests})
    get_filename_component(name ${src} NAME_WE)
    set(exe ${label}_${name})
    add_executable(${exe} ${src})
    target_link_libraries(${exe} PRIVATE ${ARG_DEPS} testsupport Qt6::Test)
    set(test_label ${ARG_LABEL})
    if(name IN_LIST ARG_UNIT)
      set(test_label unit)
    elseif(name IN_LIST ARG_E2E)
      set(test_label e2e)
    endif()
    set(test_timeout ${timeout})
    if(name MATCHES "^tst_random_actions")
      list(APPEND test_label random)
      math(EXPR test_timeout "${timeout} * 3")
    endif()
    if(name IN_LIST ARG_SPLIT)
      # The list of functions is known once the executable is built; until
      # then the whole executable stands as one test.
      set(listed ${CMAKE_CURRENT_BINARY_DIR}/${exe}_functions.cmake)
      set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${exe}_include.cmake)
      string(REPLACE ";" "|" env_arg "${env}")
      add_custom_command(TARGET ${exe} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -D EXE=$<TARGET_FILE:${exe}> -D NAME=${label}/${name} -D LABEL=${test_label}
                -D TIMEOUT=${timeout} -D ENV=${env_arg} -D OUT=${listed} -P ${SMS_CMAKE_DIR}/SmsTestFunctions.cmake
        VERBATIM)
      file(WRITE ${include_file}
        "if(EXISTS [=[${listed}]=])\n  include([=[${listed}]=])\nelse()\n"
        "  add_test([=[${label}/${name}]=] [=[${CMAKE_CURRENT_BINARY_DIR}/${exe}]=])\n"
        "  set_tests_properties([=[${label}/${name}]=] PROPERTIES ENVIRONMENT [=[${env}]=] LABELS ${test_label} TIMEOUT ${timeout})\n"
        "endif()\n")
      set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
      continue()
    endif()
    set(test_env ${env})
    if(name MATCHES "^tst_random_actions")
      math(EXPR ms "${test_timeout} * 1000")
      list(APPEND test_env QTEST_FUNCTION_TIMEOUT=${ms})
      # The test command walks a fixed set of sequences so that its verdict
      # does not change from run to run; new seeds are for fuzz.sh --long,
      # where a failure names what to mend rather than blocking a landing.
      list(APPEND test_env SMSTOOLS_PROPERTY_SEED=7 SMSTOOLS_PROPERTY_CASES=60)
    endif()
    add_test(NAME ${label}/${name} COMMAND ${exe})
    set_tests_properties(${label}/${name} PROPERTIES
      ENVIRONMENT "${test_env}"
      LABELS "${test_label}"
      TIMEOUT ${test_timeout})
  endforeach()
endfunction()
