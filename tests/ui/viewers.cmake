# Result viewer, DBF viewer and its table model (offscreen).
mox_add_test(NAME viewers_test SOURCES viewers_test.cpp LIBS mox_viewers mox_dbf GUI)
