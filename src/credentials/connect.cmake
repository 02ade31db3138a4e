# Connection dialog (QtWidgets).
add_library(mox_connect STATIC
  gui/tfmconnect.h
  gui/tfmconnect.cpp
)
target_link_libraries(mox_connect PUBLIC mox_credentials mox_startup mox_ui mox_oracle Qt6::Widgets)
