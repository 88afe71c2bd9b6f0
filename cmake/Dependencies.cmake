# Fetches and builds the third-party dependencies (cached outside the build
# tree by tools/deps.sh) and declares them as imported targets:
#   vorud::crypto  libcrypto (OpenSSL)
#   vorud::cjson   cJSON
#   vorud::gtest, vorud::gmock   GoogleTest (tests only)
# and VORUD_7Z_DLL / VORUD_7ZZ, the 7-Zip library and command-line tool.

set(_deps_file "${CMAKE_BINARY_DIR}/deps.cmake")
set(_deps_args)
if(VORUD_BUILD_TESTS)
  set(_deps_args --with-tests)
endif()
execute_process(
  COMMAND bash "${CMAKE_SOURCE_DIR}/tools/deps.sh" "${VORUD_ARCH}" "${_deps_file}" ${_deps_args}
  RESULT_VARIABLE _deps_result)
if(NOT _deps_result EQUAL 0)
  message(FATAL_ERROR "Building the dependencies failed (tools/deps.sh ${VORUD_ARCH}).")
endif()
include("${_deps_file}")
message(STATUS "libcrypto ${VORUD_OPENSSL_VERSION}, cJSON ${VORUD_CJSON_VERSION}")

add_library(vorud::crypto STATIC IMPORTED GLOBAL)
set_target_properties(vorud::crypto PROPERTIES
  IMPORTED_LOCATION "${VORUD_OPENSSL_ROOT}/lib/libcrypto.a"
  INTERFACE_INCLUDE_DIRECTORIES "${VORUD_OPENSSL_ROOT}/include"
  INTERFACE_LINK_LIBRARIES "ws2_32;crypt32;advapi32;user32;gdi32")

add_library(vorud::cjson STATIC IMPORTED GLOBAL)
set_target_properties(vorud::cjson PROPERTIES
  IMPORTED_LOCATION "${VORUD_CJSON_ROOT}/lib/libcjson.a"
  INTERFACE_INCLUDE_DIRECTORIES "${VORUD_CJSON_ROOT}/include")

if(NOT VORUD_BUILD_TESTS)
  return()
endif()
add_library(vorud::gtest STATIC IMPORTED GLOBAL)
set_target_properties(vorud::gtest PROPERTIES
  IMPORTED_LOCATION "${VORUD_GTEST_ROOT}/lib/libgtest.a"
  INTERFACE_INCLUDE_DIRECTORIES "${VORUD_GTEST_ROOT}/include")
add_library(vorud::gmock STATIC IMPORTED GLOBAL)
set_target_properties(vorud::gmock PROPERTIES
  IMPORTED_LOCATION "${VORUD_GTEST_ROOT}/lib/libgmock.a"
  INTERFACE_INCLUDE_DIRECTORIES "${VORUD_GTEST_ROOT}/include"
  INTERFACE_LINK_LIBRARIES vorud::gtest)
