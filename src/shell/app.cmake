# Start-up, settings, the dispatch point (QtCore only).
add_library(mox_shellcore STATIC
  settings.h settings.cpp
  startup.h startup.cpp startup_db.cpp
  dispatch.h dispatch.cpp
)
target_link_libraries(mox_shellcore PUBLIC mox_base mox_platform mox_credentials mox_log mox_oracle Qt6::Core)

# The main window (QtWidgets): screens, connection dialog, message dialog,
# housekeeping commands.
add_library(mox_shell STATIC
  tfmmox.h tfmmox.cpp
)
target_link_libraries(mox_shell PUBLIC
  mox_shellcore mox_log mox_oracle mox_screens mox_connect mox_ui mox_automation mox_dbf Qt6::Widgets)
