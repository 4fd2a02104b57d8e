# How the project's targets are made: the warnings every target is built with (CI turns them into
# errors), one static library per source folder, one GoogleTest executable per test folder.
#
# Every target of the project links slabcal_warnings.
add_library(slabcal_warnings INTERFACE)
target_compile_options(slabcal_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
if(SLABCAL_WERROR)
  target_compile_options(slabcal_warnings INTERFACE -Werror)
endif()

# slabcal_add_library(name SOURCES ... LINKS ...): one static library per folder. Position-independent, as
# the window plugin (a shared object) links them as well as the program.
function(slabcal_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LINKS} PRIVATE slabcal_warnings)
endfunction()

# Seconds a test may run before ctest stops it and counts it as failed, so that a hang fails the run
# instead of stalling it. Apart from the reliability sweeps (which set their own) no test takes more than
# half a second in the plain build or 2.5 s under the sanitizers; the rest is room for a loaded machine.
set(SLABCAL_TEST_TIMEOUT 60)

# slabcal_add_test(name SOURCES ... LINKS ... [LABELS ...] [TIMEOUT seconds]): one GoogleTest executable
# registered with ctest, each of its tests limited to TIMEOUT seconds (SLABCAL_TEST_TIMEOUT by default).
function(slabcal_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LINKS;LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT ${SLABCAL_TEST_TIMEOUT})
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gtest_main slabcal_warnings)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    # Children the test starts run under the same emulator as the test (support/ChildCommand.h).
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
    target_compile_definitions(${name} PRIVATE SLABCAL_TEST_EMULATOR="${emulator}")
  endif()
  set(properties TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABELS)
    list(APPEND properties LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES ${properties})
endfunction()
