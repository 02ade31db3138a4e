# Message dialog and TWidgetInteraction (offscreen).
mox_add_test(NAME test_ui_message SOURCES message_test.cpp LIBS mox_ui GUI)
