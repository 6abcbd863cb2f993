# corlink_add_fuzzer(NAME SOURCES ... LIBS ... [RUNS n] [MAX_LEN n])
# A libFuzzer target and its ctest test (label "fuzz"). The test first replays the target's stored corpus
# (tests/fuzz/corpus/<name>, kept in the repository: what earlier runs found, and the inputs of past
# findings), then fuzzes from it for a bounded number of inputs, or for CORLINK_FUZZ_SECONDS seconds when
# that is set. New inputs go to a work corpus in the build tree, crashes to its artifacts/ folder; the
# target <name>_merge (or fuzz_merge for all) folds the work corpus into the stored one, minimised.
set(CORLINK_FUZZ_SECONDS 0 CACHE STRING "Seconds each fuzz test runs (0: a bounded number of inputs)")

set(CORLINK_FUZZ_MERGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/CorlinkFuzzMerge.cmake)
if(NOT TARGET fuzz_merge)
  add_custom_target(fuzz_merge)
endif()

function(corlink_add_fuzzer name)
  cmake_parse_arguments(F "" "RUNS;MAX_LEN" "SOURCES;LIBS" ${ARGN})
  if(NOT F_RUNS)
    set(F_RUNS 200000)
  endif()
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 300000)
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS} Threads::Threads)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)

  set(stored ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/corpus/${name})
  set(artifacts ${CMAKE_CURRENT_BINARY_DIR}/artifacts)
  file(MAKE_DIRECTORY ${work} ${artifacts})
  set(corpora ${work})
  if(EXISTS ${stored})
    list(APPEND corpora ${stored})
  endif()

  if(CORLINK_FUZZ_SECONDS GREATER 0)
    set(budget -max_total_time=${CORLINK_FUZZ_SECONDS})
    math(EXPR timeout "${CORLINK_FUZZ_SECONDS} + 600")
  else()
    set(budget -runs=${F_RUNS} -seed=1)
    set(timeout 600)
  endif()
  add_test(NAME ${name}
           COMMAND ${name} ${budget} -max_len=${F_MAX_LEN} -print_final_stats=1
                   -artifact_prefix=${artifacts}/${name}- ${corpora})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT ${timeout})

  add_custom_target(${name}_merge
                    COMMAND ${CMAKE_COMMAND} -DFUZZER=$<TARGET_FILE:${name}> -DSTORED=${stored} -DWORK=${work}
                            -DMAX_LEN=${F_MAX_LEN} -P ${CORLINK_FUZZ_MERGE_SCRIPT}
                    DEPENDS ${name} USES_TERMINAL VERBATIM)
  add_dependencies(fuzz_merge ${name}_merge)
endfunction()
