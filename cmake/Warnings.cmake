# Project-wide compiler flags: strict warnings everywhere, optional sanitizers.
add_compile_options(-Wall -Wextra -Wpedantic)
if(VANTREL_WARNINGS_AS_ERRORS)
  add_compile_options(-Werror)
endif()

if(VANTREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VANTREL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
