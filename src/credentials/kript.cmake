# Password store (QtCore only).
add_library(mox_credentials STATIC
  kript.cpp
  kript.h
)
target_link_libraries(mox_credentials PUBLIC mox_platform mox_base Qt6::Core)
