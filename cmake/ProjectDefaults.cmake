# Language level, warnings and the small helpers every subsystem's CMakeLists uses.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

option(RW_WERROR "Treat warnings as errors" OFF)
option(RW_BUILD_TESTS "Build the tests" ON)
option(RW_BUILD_BENCHMARKS "Build the benchmarks" OFF)
option(RW_BUILD_FUZZERS "Build the libFuzzer targets (clang only)" OFF)
set(RW_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined or thread")

add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wimplicit-fallthrough)
# Each function in a section of its own, so a linker can place the ones a request runs together
# (app/CMakeLists.txt).
add_compile_options(-ffunction-sections)
if(RW_WERROR)
  add_compile_options(-Werror)
endif()
if(RW_SANITIZE)
  add_compile_options(-fsanitize=${RW_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${RW_SANITIZE})
  # GCC's flow analysis reads the sanitizers' instrumentation poorly: with AddressSanitizer it reports
  # maybe-uninitialized inside libstdc++'s own <regex> and <functional>. The plain build keeps the warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
endif()
if(RW_BUILD_FUZZERS)
  # Libraries get coverage instrumentation; only the fuzz executables link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# rw_library(NAME SOURCES ... DEPS ...): one static library of the project, include root = src/.
function(rw_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${L_DEPS} PRIVATE ${L_PRIVATE_DEPS})
endfunction()

# rw_test(NAME SOURCES ... DEPS ...): one GoogleTest executable, registered with CTest test by test.
function(rw_test name)
  cmake_parse_arguments(T "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_DEPS} rw_test_support GTest::gmock GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES LABELS ${name})
endfunction()
