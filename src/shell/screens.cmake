# The menu bar and the screens of the main window (QtWidgets).
add_library(mox_screens STATIC
  screens.h
  screens.cpp
  screen_widgets.h
  screen_widgets.cpp
  screen_pages.h
  screen_osvezevanje.cpp
  screen_priprava.cpp
  screen_nastavitev.cpp
  help.h
  help.cpp
)
target_include_directories(mox_screens PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(mox_screens PUBLIC mox_context mox_viewers mox_base Qt6::Widgets)
