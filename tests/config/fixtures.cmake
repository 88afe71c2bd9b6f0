# 7z archives for the extraction tests, made at build time with 7zz into
# ${VORUD_TEST_BIN}/sevenzip (ExeDir()\sevenzip when the tests run).
#
# The source trees are written here at configure time (only when their text
# changes, so the archives are rebuilt only then); each archive is made from
# a staged copy whose files all get the same fixed modification time.
#
#   dirs.7z            nested folders, an empty folder, an empty file, a
#                      read-only file and a non-ASCII name
#   truncated.7z       dirs.7z without its last 16 bytes
#   escape.7z          a good item, one stored as "./sub//kept.txt" and items
#                      renamed to paths that would leave the target folder
#   encrypted.7z       password-protected, names encrypted too
#   encrypted_data.7z  password-protected contents, names readable
#   garbage.bin        text that is no archive
#   empty.bin          zero bytes
#
# test_archives.rc embeds dirs.7z, garbage.bin and empty.bin for the
# resource unpacking tests.

set(_fixture_src "${CMAKE_CURRENT_BINARY_DIR}/sevenzip_src")
set(_fixture_stage "${CMAKE_CURRENT_BINARY_DIR}/sevenzip_stage")
set(_fixture_out "${VORUD_TEST_BIN}/sevenzip")
# 2017-07-14 02:40:00 UTC; the tests expect exactly this time.
set(_fixture_mtime 1500000000)
set(_fixture_7zz "${CMAKE_COMMAND}" -E env LC_ALL=C.UTF-8 "${VORUD_7ZZ}")

# _fixture_tree(NAME RELATIVE_PATH TEXT ...): the files of a source tree.
function(_fixture_tree name)
  set(files "${ARGN}")
  set(written)
  while(files)
    list(POP_FRONT files path text)
    file(CONFIGURE OUTPUT "${_fixture_src}/${name}/${path}" CONTENT "${text}")
    list(APPEND written "${_fixture_src}/${name}/${path}")
  endwhile()
  set(_fixture_${name}_files ${written} PARENT_SCOPE)
endfunction()

# _fixture_archive(OUTPUT TREE ITEMS items... [ADD_OPTIONS options...]
#                  [READ_ONLY paths...] [RENAME old new ...])
function(_fixture_archive output tree)
  cmake_parse_arguments(ARG "" "" "ITEMS;ADD_OPTIONS;READ_ONLY;RENAME" ${ARGN})
  set(stage "${_fixture_stage}/${output}")
  set(archive "${_fixture_out}/${output}")
  set(commands
    COMMAND "${CMAKE_COMMAND}" -E rm -rf "${stage}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${_fixture_stage}" "${_fixture_out}"
    COMMAND "${CMAKE_COMMAND}" -E copy_directory "${_fixture_src}/${tree}" "${stage}")
  foreach(path IN LISTS ARG_READ_ONLY)
    list(APPEND commands COMMAND chmod 0444 "${stage}/${path}")
  endforeach()
  list(APPEND commands
    COMMAND find "${stage}" -exec touch -h -d "@${_fixture_mtime}" {} +
    COMMAND "${CMAKE_COMMAND}" -E rm -f "${archive}"
    COMMAND "${CMAKE_COMMAND}" -E chdir "${stage}"
            ${_fixture_7zz} a -bso0 -bsp0 ${ARG_ADD_OPTIONS} "${archive}" ${ARG_ITEMS})
  if(ARG_RENAME)
    list(APPEND commands COMMAND ${_fixture_7zz} rn -bso0 -bsp0 "${archive}" ${ARG_RENAME})
  endif()
  add_custom_command(OUTPUT "${archive}"
    ${commands}
    DEPENDS ${_fixture_${tree}_files} "${VORUD_7ZZ}" "${CMAKE_CURRENT_LIST_FILE}"
    COMMENT "Making the test archive ${output}"
    VERBATIM)
endfunction()

# ---------------------------------------------------------------- the trees
_fixture_tree(dirs
  "top.txt" "top level file\n"
  "ro.txt" "read-only file\n"
  "empty.txt" ""
  "a/b/deep.txt" "deep file\n"
  "a/b/c/deeper.txt" "deeper file\n"
  "目录/文件.txt" "non-ASCII name\n")
file(MAKE_DIRECTORY "${_fixture_src}/dirs/a/empty_dir")

_fixture_tree(escape
  "good.txt" "good item\n"
  "parent.txt" "escapes\n"
  "kept.txt" "kept item\n"
  "inner_parent.txt" "escapes\n"
  "rooted.txt" "escapes\n"
  "drive.txt" "escapes\n"
  "drive_relative.txt" "escapes\n"
  "unc.txt" "escapes\n"
  "dots.txt" "escapes\n")

_fixture_tree(secret
  "secret.txt" "secret contents\n")

# ------------------------------------------------------------- the archives
_fixture_archive(dirs.7z dirs
  ITEMS top.txt ro.txt empty.txt a 目录
  READ_ONLY ro.txt)

_fixture_archive(escape.7z escape
  ITEMS good.txt kept.txt parent.txt inner_parent.txt rooted.txt drive.txt
        drive_relative.txt unc.txt dots.txt
  RENAME
    parent.txt "../vorud-escape-parent.txt"
    kept.txt "./sub//kept.txt"
    inner_parent.txt "sub/../../vorud-escape-inner.txt"
    rooted.txt "/vorud-escape-rooted.txt"
    drive.txt "C:/vorud-escape-drive.txt"
    drive_relative.txt "C:vorud-escape-drive-relative.txt"
    unc.txt "//localhost/C$/vorud-escape-unc.txt"
    dots.txt ".. /vorud-escape-dots.txt")

_fixture_archive(encrypted.7z secret
  ITEMS secret.txt
  ADD_OPTIONS -pvorud -mhe=on)

_fixture_archive(encrypted_data.7z secret
  ITEMS secret.txt
  ADD_OPTIONS -pvorud -mhe=off)

add_custom_command(OUTPUT "${_fixture_out}/truncated.7z"
  COMMAND "${CMAKE_COMMAND}" -E copy "${_fixture_out}/dirs.7z" "${_fixture_out}/truncated.7z"
  COMMAND truncate -s -16 "${_fixture_out}/truncated.7z"
  DEPENDS "${_fixture_out}/dirs.7z"
  COMMENT "Making the test archive truncated.7z"
  VERBATIM)

file(CONFIGURE OUTPUT "${_fixture_out}/garbage.bin" CONTENT "This text is not a 7z archive.\n")
file(CONFIGURE OUTPUT "${_fixture_out}/empty.bin" CONTENT "")

add_custom_target(sevenzip_fixtures DEPENDS
  "${_fixture_out}/dirs.7z"
  "${_fixture_out}/truncated.7z"
  "${_fixture_out}/escape.7z"
  "${_fixture_out}/encrypted.7z"
  "${_fixture_out}/encrypted_data.7z")

# The resource script finds its files on the include path.
set_source_files_properties(config/test_archives.rc PROPERTIES
  INCLUDE_DIRECTORIES "${_fixture_out}"
  OBJECT_DEPENDS "${_fixture_out}/dirs.7z;${_fixture_out}/garbage.bin;${_fixture_out}/empty.bin")
