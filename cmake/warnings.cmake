# Warning and sanitizer flags live on one INTERFACE target that every target links.
add_library(zorvan_flags INTERFACE)
target_compile_options(zorvan_flags INTERFACE -Wall -Wextra -Wpedantic)
if(ZORVAN_SANITIZE)
  target_compile_options(zorvan_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                -fno-sanitize-recover=undefined)
  target_link_options(zorvan_flags INTERFACE -fsanitize=address,undefined)
endif()
