# Fuzz targets: parsers of untrusted input, each an LLVMFuzzerTestOneInput
# entry with a seed corpus kept in the repository.
#
# With SUITE_FUZZ (Clang only; scripts/fuzz.sh builds that way) every target of
# the build is compiled with the fuzzer's coverage instrumentation, so that a
# fuzz target sees its way through every library it reaches, and the targets
# are libFuzzer programs. Otherwise each target is linked with a small main that
# replays the files given to it, and CTest replays the target's corpus as a
# regression check.

option(SUITE_FUZZ "Build the fuzz targets as libFuzzer programs (Clang only)" OFF)
if(SUITE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "SUITE_FUZZ needs Clang (CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
else()
  add_library(suite_fuzz_replay STATIC ${CMAKE_CURRENT_LIST_DIR}/fuzz_replay_main.cpp)
  suite_warnings(suite_fuzz_replay)
endif()

# What scripts/fuzz.sh reads: one line "target corpus-folder" per fuzz target.
set(SUITE_FUZZ_LIST ${CMAKE_BINARY_DIR}/fuzz_targets.txt)
file(WRITE ${SUITE_FUZZ_LIST} "")

# suite_fuzz_target(name SOURCES ... [LIBS ...] [INCLUDES ...])
# The seed corpus is the folder fuzz/corpus/<name> beside the calling CMakeLists.txt.
function(suite_fuzz_target name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name})
  if(NOT IS_DIRECTORY ${corpus})
    message(FATAL_ERROR "fuzz target ${name} has no seed corpus in ${corpus}")
  endif()
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${A_INCLUDES})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  suite_warnings(${name})
  file(APPEND ${SUITE_FUZZ_LIST} "${name} ${corpus}\n")
  if(SUITE_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_link_libraries(${name} PRIVATE suite_fuzz_replay)
    if(SUITE_BUILD_TESTS)
      add_test(NAME fuzz_replay_${name} COMMAND ${name} ${corpus})
      set_tests_properties(fuzz_replay_${name} PROPERTIES LABELS "unit;fuzz" TIMEOUT 120)
    endif()
  endif()
endfunction()
