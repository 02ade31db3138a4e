# Tests of the connection dialog (offscreen, against an embedded database).
if(TARGET mox_connect)
  mox_add_test(NAME connect_dialog SOURCES connect_test.cpp LIBS mox_connect mox_dbf GUI)
  if(TARGET mox-db)
    add_dependencies(connect_dialog mox-db)
  endif()
endif()
