# Password store.
mox_add_test(NAME test_credentials_kript SOURCES kript_test.cpp LIBS mox_credentials)
