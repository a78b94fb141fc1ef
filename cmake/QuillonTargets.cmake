# Shared settings for Quillon's own targets.

if(QUILLON_SANITIZE)
  string(REPLACE "," ";" _quillon_sanitizers "${QUILLON_SANITIZE}")
  set(QUILLON_SANITIZE_FLAGS "-fsanitize=${QUILLON_SANITIZE}" -fno-omit-frame-pointer -g)
  if("undefined" IN_LIST _quillon_sanitizers)
    list(APPEND QUILLON_SANITIZE_FLAGS -fno-sanitize-recover=undefined)
  endif()
  add_compile_options(${QUILLON_SANITIZE_FLAGS})
  add_link_options(-fsanitize=${QUILLON_SANITIZE})
endif()

# Warnings for code we write (not for third-party code).
function(quillon_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${QUILLON_WERROR}>:-Werror>)
  # Sanitizer instrumentation misleads GCC's flow analysis into reports from
  # inside the standard library (uninitialised std::regex states, bounds):
  # warnings there, never errors. The plain build keeps every warning an error.
  if(QUILLON_SANITIZE AND QUILLON_WERROR AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE
      -Wno-error=maybe-uninitialized -Wno-error=uninitialized -Wno-error=array-bounds
      -Wno-error=stringop-overflow -Wno-error=stringop-overread -Wno-error=restrict
      -Wno-error=null-dereference -Wno-error=free-nonheap-object -Wno-error=use-after-free
      -Wno-error=dangling-pointer)
  endif()
  target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()

# A GoogleTest executable registered case by case with ctest.
function(quillon_add_gtest target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  quillon_target_defaults(${target})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${target}
    PROPERTIES LABELS "${ARG_LABELS}"
               ENVIRONMENT "HOME=${CMAKE_BINARY_DIR}/test-home;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-home/.config"
    DISCOVERY_TIMEOUT 60)
endfunction()
