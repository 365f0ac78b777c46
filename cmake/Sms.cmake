# sms_library(<target> [DEPS <targets>...])
# A static library of every .cpp in the calling folder; an interface library
# while the folder has no sources yet.
function(sms_library target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX ".*/main\\.cpp$")
  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(srcs)
    add_library(${target} STATIC ${srcs} ${hdrs})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
  set_property(GLOBAL APPEND PROPERTY SMS_LIBRARIES ${target})
endfunction()

# sms_tests(<folder-label> [LABEL <label>] [UNIT|E2E <tst_name>...] [DEPS <targets>...])
# One test executable for each tst_*.cpp in the calling folder, run by CTest
# on Qt's offscreen platform. Each test carries one CTest label for
# `ctest -L`: unit (quick, no simulated module), e2e (the programs against
# the simulated module) or files (Access files). LABEL is the folder's
# (unit when not given); UNIT and E2E name the tests that differ from it.
function(sms_tests label)
  cmake_parse_arguments(ARG "" "LABEL" "DEPS;UNIT;E2E" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(src ${tests})
    get_filename_component(name ${src} NAME_WE)
    set(exe ${label}_${name})
    add_executable(${exe} ${src})
    target_link_libraries(${exe} PRIVATE ${ARG_DEPS} testsupport Qt6::Test)
    add_test(NAME ${label}/${name} COMMAND ${exe})
    set(test_label ${ARG_LABEL})
    if(name IN_LIST ARG_UNIT)
      set(test_label unit)
    elseif(name IN_LIST ARG_E2E)
      set(test_label e2e)
    endif()
    set_tests_properties(${label}/${name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SMSTOOLS_SOURCE_DIR=${PROJECT_SOURCE_DIR};SMSTOOLS_BINARY_DIR=${PROJECT_BINARY_DIR}"
      LABELS ${test_label}
      TIMEOUT 300)
  endforeach()
endfunction()
