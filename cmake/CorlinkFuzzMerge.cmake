# cmake -DFUZZER=<target> -DSTORED=<dir> -DWORK=<dir> [-DMAX_LEN=n] -P CorlinkFuzzMerge.cmake
# Folds a fuzz target's work corpus into its stored corpus, minimised with libFuzzer's merge: the stored
# inputs named by hand (seeds, past findings) always stay; the inputs named by their hash are replaced by
# the smallest set of hash-named inputs, from both corpora, that keeps the coverage.
cmake_minimum_required(VERSION 3.20)

foreach(var FUZZER STORED WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CorlinkFuzzMerge: ${var} is not set")
  endif()
endforeach()
if(NOT MAX_LEN)
  set(MAX_LEN 300000)
endif()

set(merged ${WORK}.merged)
set(hashed ${WORK}.hashed)
file(REMOVE_RECURSE ${merged} ${hashed})
file(MAKE_DIRECTORY ${merged} ${hashed} ${STORED})

# The named inputs seed the merge, so what they cover is not taken again.
file(GLOB stored_files LIST_DIRECTORIES false ${STORED}/*)
set(named_files)
foreach(f IN LISTS stored_files)
  get_filename_component(leaf ${f} NAME)
  if(leaf MATCHES "^[0-9a-f]+$" AND leaf MATCHES "^........................................$")
    file(COPY ${f} DESTINATION ${hashed})
  else()
    list(APPEND named_files ${f})
    file(COPY ${f} DESTINATION ${merged})
  endif()
endforeach()

execute_process(COMMAND ${FUZZER} -merge=1 -max_len=${MAX_LEN} ${merged} ${hashed} ${WORK}
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE log)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "CorlinkFuzzMerge: ${FUZZER} -merge=1 failed (${result}):\n${log}")
endif()

file(REMOVE_RECURSE ${hashed})
foreach(f IN LISTS stored_files)
  if(NOT f IN_LIST named_files)
    file(REMOVE ${f})
  endif()
endforeach()
file(GLOB merged_files LIST_DIRECTORIES false ${merged}/*)
set(added 0)
foreach(f IN LISTS merged_files)
  get_filename_component(leaf ${f} NAME)
  if(NOT EXISTS ${STORED}/${leaf})
    file(COPY ${f} DESTINATION ${STORED})
    math(EXPR added "${added} + 1")
  endif()
endforeach()
file(REMOVE_RECURSE ${merged})
list(LENGTH named_files kept)
message(STATUS "${STORED}: ${kept} named inputs kept, ${added} inputs from the merge")
