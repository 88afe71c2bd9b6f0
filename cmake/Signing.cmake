# Authenticode signing of every exe and dll the build makes.
#
# A release passes its own certificate and key (PEM) through the cache
# variables VORUD_SIGN_CERT and VORUD_SIGN_KEY or the environment variables
# of the same names. Without them the build makes, once and cached, a
# throwaway certificate in the publisher's name (tools/signing/certs.sh).

set(VORUD_SIGN_CERT "$ENV{VORUD_SIGN_CERT}" CACHE FILEPATH "PEM certificate (chain) used to sign the binaries")
set(VORUD_SIGN_KEY "$ENV{VORUD_SIGN_KEY}" CACHE FILEPATH "PEM private key used to sign the binaries")

execute_process(
  COMMAND bash "${CMAKE_SOURCE_DIR}/tools/signing/certs.sh"
  OUTPUT_VARIABLE VORUD_TEST_CERTS OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE _certs_result)
if(NOT _certs_result EQUAL 0)
  message(FATAL_ERROR "Making the test certificates failed (tools/signing/certs.sh).")
endif()

if(NOT VORUD_SIGN_CERT OR NOT VORUD_SIGN_KEY)
  set(VORUD_SIGN_CERT "${VORUD_TEST_CERTS}/publisher.pem" CACHE FILEPATH "" FORCE)
  set(VORUD_SIGN_KEY "${VORUD_TEST_CERTS}/publisher.key" CACHE FILEPATH "" FORCE)
  message(STATUS "Signing with the throwaway test certificate in ${VORUD_TEST_CERTS}")
endif()

set(_sign_script "${CMAKE_SOURCE_DIR}/tools/signing/sign.sh")

# Signs the target's file in place after every link.
function(vorud_sign target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND bash "${_sign_script}" "$<TARGET_FILE:${target}>" "${VORUD_SIGN_CERT}" "${VORUD_SIGN_KEY}"
    VERBATIM)
endfunction()

# Makes differently-signed copies of the target's file in OUTDIR for the
# signature tests (see tools/signing/variants.sh for the list); remade when
# the file or the test certificates change.
function(vorud_signed_variants target outdir)
  set(_stamp "${CMAKE_CURRENT_BINARY_DIR}/${target}.variants.stamp")
  file(GLOB _certs "${VORUD_TEST_CERTS}/*.pem")
  add_custom_command(OUTPUT "${_stamp}"
    COMMAND bash "${CMAKE_SOURCE_DIR}/tools/signing/variants.sh"
            "$<TARGET_FILE:${target}>" "${outdir}" "${VORUD_TEST_CERTS}"
    COMMAND "${CMAKE_COMMAND}" -E touch "${_stamp}"
    DEPENDS ${target} ${_certs} "${CMAKE_SOURCE_DIR}/tools/signing/variants.sh"
    VERBATIM)
  add_custom_target(${target}_variants ALL DEPENDS "${_stamp}")
endfunction()
