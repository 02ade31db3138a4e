# Start-up, settings, the dispatch point (QtCore only).
add_library(mox_shellcore STATIC
  settings.h settings.cpp
  startup.h startup.cpp startup_db.cpp
  dispatch.h dispatch.cpp
)
target_link_libraries(mox_shellcore PUBLIC mox_base mox_platform mox_credentials mox_log mox_oracle Qt6::Core)

# The main window (QtWidgets). Libraries of the screens, the connection
# dialog, the message dialog and the housekeeping commands are linked as they
# land in the tree.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tfmmox.cpp)
add_library(mox_shell STATIC
  tfmmox.h tfmmox.cpp
)
target_link_libraries(mox_shell PUBLIC
  mox_shellcore mox_log mox_oracle Qt6::Widgets
  $<TARGET_NAME_IF_EXISTS:mox_screens>
  $<TARGET_NAME_IF_EXISTS:mox_connect>
  $<TARGET_NAME_IF_EXISTS:mox_ui>
  $<TARGET_NAME_IF_EXISTS:mox_automation>
  $<TARGET_NAME_IF_EXISTS:mox_dbf>)
endif()
