# Settings file, version information: QtCore only.
add_library(mox_platform STATIC
  profile.cpp
  profile.h
)
target_link_libraries(mox_platform PUBLIC mox_base Qt6::Core)
