# Warnings for every target of ours; PL_WERROR makes them errors (CI).
set(PL_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Woverloaded-virtual -Wimplicit-fallthrough)
if(PL_WERROR)
  list(APPEND PL_WARNINGS -Werror)
endif()

function(pl_target_warnings target)
  target_compile_options(${target} PRIVATE ${PL_WARNINGS})
endfunction()
