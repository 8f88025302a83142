# Project-wide compiler flags: strict warnings everywhere, optional sanitizers.
# Every target gets the same set, tests and generated sources included. Qt's
# headers are not judged: imported targets put them on the -isystem path, and
# moc's output compiles clean with these flags (gcc 12 and clang 14).
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wformat=2 -Wnon-virtual-dtor
                    -Wold-style-cast -Woverloaded-virtual)
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
