# The seed inputs too large to keep in the repository: a parameter file with a 1 MiB line and one with
# 10 000 entries, for each fuzz target. Included by fuzz/CMakeLists.txt at configure time, or run alone:
#   cmake -DSEED_DIR=<folder> -P fuzz/MakeSeeds.cmake
# The round-trip target's inputs start with its 5-byte header: "A" chooses the file's entry 49 (modulo the
# number of entries) and "fff?" is the float 0.9 in little-endian order.
if(NOT SEED_DIR)
  message(FATAL_ERROR "MakeSeeds.cmake: set SEED_DIR")
endif()

set(crlf "\r\n")
set(roundTripHeader "Afff?")

string(REPEAT "v" 1048576 longValue)
set(longLine "VORKAPELMIX${crlf}CurveA0=-0.6423${crlf}LongLine=${longValue}${crlf}After=1${crlf}")

set(manyEntries "VORKAPELMIX${crlf}")
foreach(i RANGE 9999)
  string(APPEND manyEntries "Key${i}=${i}${crlf}")
endforeach()

foreach(seed long-line-1mib many-entries-10000)
  if(seed STREQUAL "long-line-1mib")
    set(bytes "${longLine}")
  else()
    set(bytes "${manyEntries}")
  endif()
  file(WRITE "${SEED_DIR}/parameter_file_save/${seed}" "${bytes}")
  file(WRITE "${SEED_DIR}/parameter_file_round_trip/${seed}" "${roundTripHeader}${bytes}")
endforeach()
