# Warnings for every target of ours; PL_WERROR makes them errors (CI).
set(PL_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Woverloaded-virtual -Wimplicit-fallthrough)
# GCC 12 reports false -Wrestrict positives inside libstdc++'s string code
# when optimising with the sanitizers on.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND PL_WARNINGS -Wno-restrict)
endif()
if(PL_WERROR)
  list(APPEND PL_WARNINGS -Werror)
endif()

function(pl_target_warnings target)
  target_compile_options(${target} PRIVATE ${PL_WARNINGS})
endfunction()
