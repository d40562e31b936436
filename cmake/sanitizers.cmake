# PL_SANITIZE builds everything with ASan and UBSan; any report aborts, so a
# test that trips one fails.
if(PL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Fuzz builds instrument every library for coverage; the fuzz targets add
# libFuzzer's own main.
if(PL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
  # The fuzzers check the interpreter's internal invariants too.
  add_compile_definitions(PL_CHECK_INVARIANTS)
endif()
