# The runner against embedded databases (needs the database tool).
mox_add_test(NAME automation_runner SOURCES skripta_test.cpp autotest.h LIBS mox_automation mox_credentials)
mox_require_targets(mox-db)
add_dependencies(automation_runner mox-db)
