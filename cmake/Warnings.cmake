# Every target of the project links slabcal_warnings; CI turns the warnings into errors.
add_library(slabcal_warnings INTERFACE)
target_compile_options(slabcal_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
if(SLABCAL_WERROR)
  target_compile_options(slabcal_warnings INTERFACE -Werror)
endif()

# slabcal_add_library(name SOURCES ... LINKS ...): one static library per folder.
function(slabcal_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LINKS} PRIVATE slabcal_warnings)
endfunction()

# slabcal_add_test(name SOURCES ... LINKS ... [LABELS ...] [TIMEOUT seconds]): one GoogleTest executable
# registered with ctest; TIMEOUT bounds each of its tests, so a test that hangs fails instead of stalling a run.
function(slabcal_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LINKS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gtest_main slabcal_warnings)
  # An empty LABELS value is lost on the way to the discovered tests, and the next property would be read as
  # the label; so LABELS goes in only when there is one.
  if(ARG_TIMEOUT AND ARG_LABELS)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
  elseif(ARG_TIMEOUT)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
