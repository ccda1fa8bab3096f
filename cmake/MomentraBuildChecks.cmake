# Build options that CI turns on (scripts/test.sh).
#   MOMENTRA_WERROR    every warning fails the build
#   MOMENTRA_SANITIZE  AddressSanitizer and UndefinedBehaviorSanitizer in every target
#   MOMENTRA_FUZZ      the libFuzzer targets of bench/fuzz (clang only; bench/fuzz/run.sh)
option(MOMENTRA_WERROR "Treat warnings as errors" OFF)
option(MOMENTRA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(MOMENTRA_FUZZ "Build the libFuzzer targets (clang)" OFF)

if(MOMENTRA_WERROR)
  add_compile_options(-Werror)
endif()

if(MOMENTRA_SANITIZE)
  set(momentra_sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${momentra_sanitize_flags})
  add_link_options(${momentra_sanitize_flags})
endif()

if(MOMENTRA_FUZZ)
  set(momentra_fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                          -fno-sanitize-recover=undefined)
  add_compile_options(${momentra_fuzz_flags})
  add_link_options(-fsanitize=address,undefined)
endif()
