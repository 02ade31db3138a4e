# Connection dialog (QtWidgets).
add_library(mox_connect STATIC
  tfmconnecton.h
  tfmconnecton.cpp
)
target_link_libraries(mox_connect PUBLIC mox_credentials mox_shellcore mox_ui mox_oracle Qt6::Widgets)
