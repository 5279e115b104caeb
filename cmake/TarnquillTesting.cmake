# SPDX-License-Identifier: MIT
# One way to add a GoogleTest program, on both builds.
#
#   tarnquill_add_gtest(NAME
#       SOURCES a.cpp b.cpp ...
#       [LIBRARIES lib ...]          linked privately, beside GoogleTest
#       [OWN_MAIN]                   the program brings its main() (no gtest_main)
#       [NO_TEST]                    built only; another rule runs it
#       [PROPERTIES key value ...])  for the Linux tests gtest_discover_tests makes
#
# Every test program sees the source tree's src/ and tests/ folders, so its
# includes read "history/Fakes.h", "support/TempFolder.h". On Linux each test
# of the program becomes a ctest test. In the Windows build the program is
# linked statically and registered as one test, wine.NAME, run through the
# preset's emulator (tests/wine/run-under-wine.sh) in the project's Wine
# prefix; tests/wine adds the prefix's set-up and shut-down around them.
include_guard(GLOBAL)

set(TARNQUILL_WINEPREFIX ${PROJECT_SOURCE_DIR}/build/wine-prefix
    CACHE PATH "Wine prefix for the Windows tests (made by the wine.prefix test)")

# Quiet, hermetic runs: no X display (console programs need none), the
# project's own prefix.
set(TARNQUILL_WINE_ENVIRONMENT
    WINEPREFIX=set:${TARNQUILL_WINEPREFIX}
    WINEDEBUG=set:-all
    DISPLAY=unset:
    WAYLAND_DISPLAY=unset:)

function(tarnquill_add_gtest name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "OWN_MAIN;NO_TEST" "" "SOURCES;LIBRARIES;PROPERTIES")
  add_executable(${name} ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gmock)
  if(arg_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  if(WIN32)
    target_link_options(${name} PRIVATE -static)
  endif()
  if(arg_NO_TEST)
    return()
  endif()
  if(WIN32)
    add_test(NAME wine.${name} COMMAND ${name})
    set_tests_properties(wine.${name} PROPERTIES
      FIXTURES_REQUIRED wine
      SKIP_RETURN_CODE 77
      TIMEOUT 600
      LABELS "wine;windows"
      ENVIRONMENT_MODIFICATION "${TARNQUILL_WINE_ENVIRONMENT}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES ${arg_PROPERTIES})
  endif()
endfunction()
