# The structure editors: windows that write structure files (.str, .mst) from
# the data dictionary and create their empty DBF files (QtWidgets).
mox_require_targets(mox_viewers)
add_library(mox_general_editors STATIC
  editor_base.h editor_base.cpp
  tfmnastavi.h tfmnastavi.cpp
  tfmnastmast.h tfmnastmast.cpp
  editor_register.h editor_register.cpp
)
target_include_directories(mox_general_editors PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(mox_general_editors PUBLIC mox_general mox_shellcore mox_viewers Qt6::Widgets)
