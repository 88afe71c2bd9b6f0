# The engine's step sequence, its interface and start-up's use of it.

vorud_add_test(engine_tests SERIAL SOURCES
  engine/core/engine_run_test.cpp
  engine/core/uninstall_task_test.cpp
  engine/core/product_version_test.cpp
  engine/core/version_fixture.rc
  engine/hooks/hooks_test_support.cpp
  "${VORUD_SETUP_CONFIG_RC}"
  LIBS vorud_engine)
set_property(SOURCE "${VORUD_SETUP_CONFIG_RC}" APPEND PROPERTY OBJECT_DEPENDS "${VORUD_SETUP_CONFIG_ARCHIVE}")
add_dependencies(engine_tests test_7z_dll test_product setup_config_archive
  hook_program_variants hook_uninst_variants hook_text_variants hook_ds_variants procs_product procs_assist)

# An unsigned copy of the test program, for the start-up check of the
# program's own signature.
vorud_signed_variants(engine_tests "${VORUD_TEST_BIN}/engine_variants")
