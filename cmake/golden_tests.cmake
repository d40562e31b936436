# One ctest per golden script under tests/scripts: NAME.pro with NAME.out
# (and NAME.speech) beside it, run through the real program.
function(pl_add_golden_tests exe dir)
  file(GLOB_RECURSE scripts RELATIVE ${dir} ${dir}/*.pro)
  foreach(script ${scripts})
    get_filename_component(base ${script} NAME_WE)
    get_filename_component(sub ${script} DIRECTORY)
    if(NOT EXISTS ${dir}/${sub}/${base}.out)
      continue()  # a helper script called by another one
    endif()
    string(REPLACE "/" "." test_name "script.${sub}.${base}")
    add_test(NAME ${test_name}
             COMMAND ${CMAKE_SOURCE_DIR}/tests/tools/run_golden.sh $<TARGET_FILE:${exe}> ${dir}/${script})
    set_tests_properties(${test_name} PROPERTIES LABELS scripts TIMEOUT 120)
  endforeach()
endfunction()
