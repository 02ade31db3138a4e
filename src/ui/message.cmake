# Message dialog and the window implementation of TInteraction (QtWidgets).
add_library(mox_ui STATIC
  messageform.cpp
  messageform.h
  widgetinteraction.cpp
  widgetinteraction.h
)
target_link_libraries(mox_ui PUBLIC mox_base Qt6::Widgets)
