# Shared build rules of the suite.

set(SUITE_SANITIZE "" CACHE STRING
    "Sanitizers for every target, as for -fsanitize= (for example address,undefined or thread)")

if(SUITE_SANITIZE)
  add_compile_options(-fsanitize=${SUITE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${SUITE_SANITIZE})
endif()

# Warnings are errors on our own code.
function(suite_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
                         -Wno-error=deprecated-declarations)
endfunction()

# Test code only: at -O2/-O3 GCC 12 reports -Wrestrict on "text" + std::string
# and -Wmaybe-uninitialized on vectors inside aggregate case tables, both from
# inside the standard library and both false (GCC bugs 105329 and 107138).
# Product code keeps them as errors; the tests are built with them off.
function(suite_test_warnings target)
  suite_warnings(${target})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict -Wno-maybe-uninitialized)
  endif()
endfunction()

# suite_library(name [SHARED|STATIC] SOURCES ... [LIBS ...] [PUBLIC_LIBS ...])
function(suite_library name)
  cmake_parse_arguments(A "SHARED;STATIC" "" "SOURCES;LIBS;PUBLIC_LIBS" ${ARGN})
  if(A_SHARED)
    add_library(${name} SHARED ${A_SOURCES})
  else()
    add_library(${name} STATIC ${A_SOURCES})
  endif()
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(${name} PRIVATE ${A_LIBS} PUBLIC ${A_PUBLIC_LIBS})
  suite_warnings(${name})
endfunction()

# suite_version_block(target): the version block (platform/version_info.h)
# built from SUITE_VERSION into the target's binary.
# A target that is not built (tests turned off) is left alone.
function(suite_version_block target)
  if(NOT TARGET ${target})
    return()
  endif()
  set(src ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_block.cpp)
  file(CONFIGURE OUTPUT ${src} @ONLY CONTENT [=[
// Generated from SUITE_VERSION; do not edit.
#include "platform/version_info.h"

KESTRUM_VERSION_BLOCK("@SUITE_VERSION@", {"FileVersion", "@SUITE_VERSION@"}, {"ProductVersion", "@SUITE_VERSION@"})
]=])
  target_sources(${target} PRIVATE ${src})
  target_link_libraries(${target} PRIVATE platform_os)
endfunction()

# suite_test(name SOURCES ... [LIBS ...] [LABELS ...] [INCLUDES ...])
# One GoogleTest binary; its cases are registered with CTest one by one.
function(suite_test name)
  if(NOT SUITE_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;LABELS;INCLUDES" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${A_INCLUDES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  suite_test_warnings(${name})
  set(labels unit ${A_LABELS})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${SUITE_BIN_DIR}
    PROPERTIES TIMEOUT 120)
  # The discovery flattens a list given in PROPERTIES ("LABELS unit threads" would
  # set the label "unit" and a property "threads"), so the labels are set after
  # it, on the names it discovered.
  set(label_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
  file(WRITE ${label_file}
       "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${labels}\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${label_file})
endfunction()

find_package(Threads REQUIRED)
