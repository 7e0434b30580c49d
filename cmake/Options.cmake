# Sanitizers, warnings and the flags the whole tree shares.
set(QUORVEL_SANITIZE "" CACHE STRING "Comma-separated sanitizers (address,undefined or thread)")
option(QUORVEL_WERROR "Treat warnings as errors" OFF)
option(QUORVEL_BENCH "Build the benchmarks" ON)

add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                    -Wno-missing-field-initializers)
# GCC 12 reports maybe-uninitialized falsely inside the standard library
# (std::regex, std::function) once sanitizers and optimisation meet.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-maybe-uninitialized)
endif()
if(QUORVEL_WERROR)
  add_compile_options(-Werror)
endif()

# Hardware faults are turned into exceptions thrown from the signal handler.
add_compile_options(-fnon-call-exceptions)

if(QUORVEL_SANITIZE)
  add_compile_options(-fsanitize=${QUORVEL_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${QUORVEL_SANITIZE})
endif()

# Exceptions record __FILE__; keep it relative to the tree so no build
# machine's path ends up in a binary or an error report.
add_compile_options(-fmacro-prefix-map=${PROJECT_SOURCE_DIR}/=)
