# Compiler warnings for every target of the project, per compiler, in one
# place. MOX_WERROR (on in the test command, so CI runs with it) turns them
# into errors.
option(MOX_WERROR "Treat compiler warnings as errors" OFF)
if(MSVC)
  add_compile_options(/W4)
  if(MOX_WERROR)
    add_compile_options(/WX)
  endif()
else()
  add_compile_options(-Wall -Wextra)
  if(MOX_WERROR)
    add_compile_options(-Werror)
  endif()
endif()
