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

# sms_tests(<folder-label> [DEPS <targets>...])
# One test executable for each tst_*.cpp in the calling folder, run by CTest
# on Qt's offscreen platform.
function(sms_tests label)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(src ${tests})
    get_filename_component(name ${src} NAME_WE)
    set(exe ${label}_${name})
    add_executable(${exe} ${src})
    target_link_libraries(${exe} PRIVATE ${ARG_DEPS} testsupport Qt6::Test)
    add_test(NAME ${label}/${name} COMMAND ${exe})
    set_tests_properties(${label}/${name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SMSTOOLS_SOURCE_DIR=${PROJECT_SOURCE_DIR};SMSTOOLS_BINARY_DIR=${PROJECT_BINARY_DIR}"
      TIMEOUT 300)
  endforeach()
endfunction()
