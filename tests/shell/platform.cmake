# Settings file and version information.
mox_add_test(NAME test_shell_profile SOURCES profile_test.cpp LIBS mox_platform)
mox_add_test(NAME test_shell_fileinfo SOURCES fileinfo_test.cpp LIBS mox_platform)
# The test program carries the build's version block and reads it back.
mox_embed_version(test_shell_fileinfo)
target_compile_definitions(test_shell_fileinfo PRIVATE MOX_TEST_PROJECT_VERSION="${PROJECT_VERSION}")
