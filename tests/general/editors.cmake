# The structure editors against a small embedded database (offscreen).
if(TARGET mox-db AND TARGET mox_general_editors)
  mox_add_test(NAME test_general_editors
    SOURCES editors_test.cpp
    LIBS mox_general_editors
    GUI)
  add_dependencies(test_general_editors mox-db)
endif()
