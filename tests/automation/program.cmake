# Unattended runs of the program itself (needs mox and the database tool).
mox_require_targets(mox)
mox_add_test(NAME automation_program SOURCES program_test.cpp autotest.h
  LIBS mox_credentials mox_platform mox_shellcore)
foreach(dep mox mox-db mox-dbf)
  mox_require_targets(${dep})
  add_dependencies(automation_program ${dep})
endforeach()

# The window side of the script (the main window, offscreen).
mox_require_targets(mox_automation_gui)
mox_add_test(NAME automation_window SOURCES avtomatika_test.cpp autotest.h LIBS mox_automation_gui GUI)
