# Tests of the connection dialog (offscreen, against an embedded database).
mox_require_targets(mox_connect)
mox_add_test(NAME connect_dialog SOURCES connect_test.cpp LIBS mox_connect mox_dbf GUI)
mox_require_targets(mox-db)
add_dependencies(connect_dialog mox-db)
