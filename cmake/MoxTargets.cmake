# mox_require_targets(T ...): the build files name the targets a library or a
# test needs; a missing one stops the configuration with its name instead of
# leaving the library or test out without a word.
function(mox_require_targets)
  foreach(t IN LISTS ARGN)
    if(NOT TARGET ${t})
      message(FATAL_ERROR "Target ${t} is needed here but is not defined")
    endif()
  endforeach()
endfunction()
