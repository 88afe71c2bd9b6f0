# 7z archives for the extraction tests, made at build time with 7zz into
# ${VORUD_TEST_BIN}/sevenzip.
add_custom_target(sevenzip_fixtures)
