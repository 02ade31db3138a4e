# Unattended runs of the program itself (needs mox and the database tool).
if(TARGET mox)
  mox_add_test(NAME automation_program SOURCES program_test.cpp autotest.h
    LIBS mox_credentials mox_platform mox_shellcore)
  foreach(dep mox mox-db mox-dbf)
    if(TARGET ${dep})
      add_dependencies(automation_program ${dep})
    endif()
  endforeach()
endif()

# The window side of the script (the main window, offscreen).
if(TARGET mox_automation_gui)
  mox_add_test(NAME automation_window SOURCES avtomatika_test.cpp autotest.h LIBS mox_automation_gui GUI)
endif()
