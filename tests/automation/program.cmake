# Unattended runs of the program itself (needs mox and the database tool).
mox_require_targets(mox)
mox_add_test(NAME automation_program SOURCES program_test.cpp autotest.h
  LIBS mox_credentials mox_platform mox_startup)
foreach(dep mox mox-db mox-dbf)
  mox_require_targets(${dep})
  add_dependencies(automation_program ${dep})
endforeach()
