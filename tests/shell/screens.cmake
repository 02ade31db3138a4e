# Menu, screens and their button actions (offscreen).
mox_add_test(NAME screens_test SOURCES screens_test.cpp LIBS mox_screens mox_viewers mox_context mox_dbf mox_oracle GUI)
