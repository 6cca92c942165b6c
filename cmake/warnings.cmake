# Warning, sanitizer and fuzzing flags live on one INTERFACE target that every
# target links.
add_library(zorvan_flags INTERFACE)
target_compile_options(zorvan_flags INTERFACE -Wall -Wextra -Wpedantic)
# Debug builds (the sanitizer build among them) check every standard-library
# index, so an out-of-range read fails a test instead of reading a neighbour.
target_compile_definitions(zorvan_flags INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
if(ZORVAN_SANITIZE)
  target_compile_options(zorvan_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                -fno-sanitize-recover=undefined)
  target_link_options(zorvan_flags INTERFACE -fsanitize=address,undefined)
endif()
if(ZORVAN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ZORVAN_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  # The libraries under test are instrumented as well, so that their coverage
  # guides the fuzzer and their memory faults and undefined behaviour become
  # findings instead of silent corruption.
  target_compile_options(zorvan_flags INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(zorvan_flags INTERFACE -fsanitize=address,undefined)
endif()
