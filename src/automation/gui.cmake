# The automation timer and the window side of the script (QtWidgets).
mox_require_targets(mox_shell)
add_library(mox_automation_gui STATIC
  avtomatika.h avtomatika.cpp
)
target_link_libraries(mox_automation_gui PUBLIC mox_automation mox_shell mox_connect mox_screens Qt6::Widgets)
