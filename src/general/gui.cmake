# The general screens' operations at the dispatch point (QtWidgets).
add_library(mox_general_gui STATIC
  gui/generalscreens.h
  gui/generalscreens.cpp
)
target_include_directories(mox_general_gui PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(mox_general_gui PUBLIC mox_general mox_screens mox_startup mox_viewers Qt6::Widgets)
