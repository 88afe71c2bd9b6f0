# Process termination and the desktop wallpaper.
#
# Fixtures in ${VORUD_TEST_BIN}/procs (ExeDir()\procs when the tests run):
#   procs_product.exe  the product's programs (quit / stay / load modes),
#                      copied by the tests into their install folders
#   Assist.dll         the product's support library

set(_procs_out "${VORUD_TEST_BIN}/procs")

add_executable(procs_product engine/fixtures/processes/product.c)
target_include_directories(procs_product PRIVATE engine/fixtures)
target_link_options(procs_product PRIVATE -municode)
set_target_properties(procs_product PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${_procs_out}")
vorud_sign(procs_product)

add_library(procs_assist SHARED engine/fixtures/processes/assist.c)
set_target_properties(procs_assist PROPERTIES
  OUTPUT_NAME Assist PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY "${_procs_out}"
  ARCHIVE_OUTPUT_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/procs_lib")
vorud_sign(procs_assist)

vorud_add_test(processes_tests SERIAL SOURCES
  engine/processes/process_kill_test.cpp
  LIBS vorud_engine psapi)
add_dependencies(processes_tests procs_product procs_assist)

vorud_add_test(wallpaper_tests SERIAL SOURCES
  engine/processes/wallpaper_test.cpp
  LIBS vorud_engine)
