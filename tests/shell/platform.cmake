# Settings file and version information.
mox_add_test(NAME test_shell_profile SOURCES profile_test.cpp LIBS mox_platform)
