# Tests of the start-up core, the main window and the program.
if(TARGET mox_shellcore)
  mox_add_test(NAME startup_core SOURCES startup_test.cpp LIBS mox_shellcore)
endif()
