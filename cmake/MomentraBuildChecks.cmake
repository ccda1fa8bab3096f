# Build options that CI turns on (scripts/test.sh).
#   MOMENTRA_WERROR    every warning fails the build
#   MOMENTRA_SANITIZE  AddressSanitizer and UndefinedBehaviorSanitizer in every target
option(MOMENTRA_WERROR "Treat warnings as errors" OFF)
option(MOMENTRA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(MOMENTRA_WERROR)
  add_compile_options(-Werror)
endif()

if(MOMENTRA_SANITIZE)
  set(momentra_sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${momentra_sanitize_flags})
  add_link_options(${momentra_sanitize_flags})
endif()
