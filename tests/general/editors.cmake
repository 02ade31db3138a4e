# The structure editors against a small embedded database (offscreen).
mox_require_targets(mox-db mox_general_editors)
mox_add_test(NAME test_general_editors
  SOURCES editors_test.cpp
  LIBS mox_general_editors
  GUI)
add_dependencies(test_general_editors mox-db)
