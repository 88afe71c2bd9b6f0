# The engine's step sequence, its interface and start-up's use of it.

vorud_add_test(engine_tests SERIAL SOURCES
  engine/core/engine_log.cpp
  engine/core/uninstall_task_test.cpp
  engine/core/product_version_test.cpp
  LIBS vorud_engine)
add_dependencies(engine_tests test_7z_dll test_product)

# An unsigned copy of the test program, for the start-up check of the
# program's own signature.
vorud_signed_variants(engine_tests "${VORUD_TEST_BIN}/engine_variants")
