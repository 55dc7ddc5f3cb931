# Native Linux build: portable modules, their tests and benchmarks.
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

# The POSIX side of the platform (sockets).
file(GLOB VEXIL_POSIX_SOURCES CONFIGURE_DEPENDS src/platform/posix/*.cpp)
target_sources(vexil_core PRIVATE ${VEXIL_POSIX_SOURCES})
target_link_libraries(vexil_core PUBLIC Threads::Threads)
include(GoogleTest)

file(GLOB VEXIL_TEST_SOURCES CONFIGURE_DEPENDS
  tests/app/*.cpp tests/config/*.cpp tests/skin/*.cpp tests/pop3/*.cpp tests/support/*.cpp tests/dialup/*.cpp
  tests/msgwin/*.cpp tests/news/*.cpp tests/imap/*.cpp)
# Tests of the Windows side that share a folder with portable ones.
list(FILTER VEXIL_TEST_SOURCES EXCLUDE REGEX "_win32\\.cpp$")
add_executable(vexil_tests ${VEXIL_TEST_SOURCES})
target_include_directories(vexil_tests PRIVATE tests)
target_link_libraries(vexil_tests PRIVATE vexil_core GTest::gtest GTest::gmock GTest::gtest_main)
target_compile_definitions(vexil_tests PRIVATE
  VEXIL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(vexil_tests DISCOVERY_TIMEOUT 60)

if(VEXIL_BENCH)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    file(GLOB VEXIL_BENCH_SOURCES CONFIGURE_DEPENDS bench/*.cpp)
    add_executable(vexil_bench ${VEXIL_BENCH_SOURCES})
    target_link_libraries(vexil_bench PRIVATE vexil_core benchmark::benchmark benchmark::benchmark_main)
    target_include_directories(vexil_bench PRIVATE tests)
    target_compile_definitions(vexil_bench PRIVATE VEXIL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  endif()
endif()

# Whole-program tests: a checker that compares screenshots of vexil.exe with
# what the window's logic renders.
add_executable(vexil_screen_check tests/e2e/screen_check.cpp)
target_include_directories(vexil_screen_check PRIVATE tests)
target_link_libraries(vexil_screen_check PRIVATE vexil_core)

if(VEXIL_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  include(cmake/Fuzz.cmake)
endif()

# ---- POP3 check benchmark (bench/check_vs_curl.sh): one full check against a
# server, timed.  A program of its own with its own main, so it is kept out of
# the Google Benchmark runner that takes the other bench/*.cpp files.
if(VEXIL_BENCH)
  if(TARGET vexil_bench)
    get_target_property(VEXIL_BENCH_RUNNER_SOURCES vexil_bench SOURCES)
    list(FILTER VEXIL_BENCH_RUNNER_SOURCES EXCLUDE REGEX "/pop3_check\\.cpp$")
    set_property(TARGET vexil_bench PROPERTY SOURCES ${VEXIL_BENCH_RUNNER_SOURCES})
  endif()
  add_executable(pop3_check bench/pop3_check.cpp)
  target_link_libraries(pop3_check PRIVATE vexil_core)
endif()

# ---------------------------------------------------------------------------
# Message decoding benchmark: a command-line receiver of message files, timed
# side by side with ripmime by bench/mime_vs_ripmime.sh.
if(VEXIL_BENCH)
  add_executable(vexil_decode_file bench/native/decode_file.cpp)
  target_link_libraries(vexil_decode_file PRIVATE vexil_core)
  add_executable(vexil_retrieve bench/native/retrieve.cpp)
  target_link_libraries(vexil_retrieve PRIVATE vexil_core)
endif()
