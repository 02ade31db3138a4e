# The structure editors: windows that write structure files (.str, .mst) from
# the data dictionary and create their empty DBF files (QtWidgets).
mox_require_targets(mox_viewers)
add_library(mox_general_editors STATIC
  gui/editor_base.h gui/editor_base.cpp
  gui/tfmnastavi.h gui/tfmnastavi.cpp
  gui/tfmnastmast.h gui/tfmnastmast.cpp
  gui/editor_register.h gui/editor_register.cpp
)
target_include_directories(mox_general_editors PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(mox_general_editors PUBLIC mox_general mox_startup mox_viewers Qt6::Widgets)
