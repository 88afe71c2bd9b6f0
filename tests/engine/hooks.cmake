# Signature checks and the product's uninstall hooks.
#
# The fake product's hook DLLs and programs are built here and copied, as
# differently-signed variants (NAME.publisher.EXT, NAME.unsigned.EXT, ...),
# into ${VORUD_TEST_BIN}/hooks; the tests lay out a product folder from them.

set(_hooks_src "${CMAKE_CURRENT_SOURCE_DIR}/engine/fixtures/hooks")
set(_hooks_build "${CMAKE_CURRENT_BINARY_DIR}/hooks-fixtures")
set(_hooks_out "${VORUD_TEST_BIN}/hooks")

# The recording program: every hook program, the rundll launcher, the guard
# tool and the plug-in launcher are copies of it under their names.
add_executable(hook_program WIN32 "${_hooks_src}/hook_program.c")
target_include_directories(hook_program PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/engine/fixtures")
set_target_properties(hook_program PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${_hooks_build}")
vorud_signed_variants(hook_program "${_hooks_out}")

# Hook DLLs with stdcall exports; the .def files give the undecorated names
# that an i686 build would otherwise decorate.
foreach(_dll hook_uninst hook_text hook_ds)
  add_library(${_dll} SHARED "${_hooks_src}/${_dll}.c" "${_hooks_src}/${_dll}.def")
  target_include_directories(${_dll} PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/engine/fixtures")
  target_link_options(${_dll} PRIVATE -Wl,--enable-stdcall-fixup)
  set_target_properties(${_dll} PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY "${_hooks_build}"
    ARCHIVE_OUTPUT_DIRECTORY "${_hooks_build}/lib")
  vorud_signed_variants(${_dll} "${_hooks_out}")
endforeach()

vorud_add_test(hooks_tests SERIAL SOURCES
  engine/hooks/hooks_test_support.cpp
  engine/hooks/code_signature_test.cpp
  engine/hooks/program_runner_test.cpp
  engine/hooks/uninstall_hooks_test.cpp
  engine/hooks/plugin_task_test.cpp
  LIBS vorud_engine)
add_dependencies(hooks_tests hook_program_variants hook_uninst_variants hook_text_variants hook_ds_variants)
