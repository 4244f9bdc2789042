# Runs at install time (see CMakeLists.txt): writes the launcher with the
# absolute paths of the program's folder and of its data under the prefix
# being installed to, and the manual page with the paths of all three. DESTDIR is left out of those
# paths on purpose: it is only a staging area.

foreach(kind LIBEXEC DATA)
  if(kind STREQUAL "LIBEXEC")
    set(folder "${ZANRAI_LAUNCHER_PRIVATE_DIR}")
  else()
    set(folder "${ZANRAI_LAUNCHER_DATA_DIR}")
  endif()
  if(IS_ABSOLUTE "${folder}")
    set(ZANRAI_${kind}_DIR "${folder}")
  else()
    set(ZANRAI_${kind}_DIR "${CMAKE_INSTALL_PREFIX}/${folder}")
  endif()
endforeach()

# Debian keeps games apart from other programs, in /usr/games, which is on
# its default PATH; elsewhere bin/ is where a player's PATH looks.
if(ZANRAI_LAUNCHER_DESTINATION)
  set(zanrai_launcher_dir "${ZANRAI_LAUNCHER_DESTINATION}")
elseif("$ENV{ZANRAI_DEBIAN_PACKAGE}")
  set(zanrai_launcher_dir games)
else()
  set(zanrai_launcher_dir "${ZANRAI_LAUNCHER_BINDIR}")
endif()
if(NOT IS_ABSOLUTE "${zanrai_launcher_dir}")
  set(zanrai_launcher_dir "${CMAKE_INSTALL_PREFIX}/${zanrai_launcher_dir}")
endif()

# One staging folder per destination, so installs running at the same time
# (a test and a package build, each with its own DESTDIR) never share a file.
string(MD5 zanrai_destination_key
  "$ENV{DESTDIR}|${ZANRAI_LIBEXEC_DIR}|${ZANRAI_DATA_DIR}|${zanrai_launcher_dir}")
set(zanrai_stage_dir "${ZANRAI_LAUNCHER_STAGE}/${zanrai_destination_key}")
set(zanrai_staged "${zanrai_stage_dir}/zanrai")
configure_file("${ZANRAI_LAUNCHER_TEMPLATE}" "${zanrai_staged}" @ONLY)

file(INSTALL "${zanrai_staged}" DESTINATION "${zanrai_launcher_dir}"
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                   GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Compressed as Debian wants: gzip -9n stores no name and no time, so the same
# sources give the same bytes.
set(ZANRAI_LAUNCHER "${zanrai_launcher_dir}/zanrai")
configure_file("${ZANRAI_MANPAGE_TEMPLATE}" "${zanrai_stage_dir}/zanrai.6" @ONLY)
execute_process(COMMAND gzip -9n
  INPUT_FILE "${zanrai_stage_dir}/zanrai.6" OUTPUT_FILE "${zanrai_stage_dir}/zanrai.6.gz"
  COMMAND_ERROR_IS_FATAL ANY)
if(IS_ABSOLUTE "${ZANRAI_MANDIR}")
  set(zanrai_man_dir "${ZANRAI_MANDIR}/man6")
else()
  set(zanrai_man_dir "${CMAKE_INSTALL_PREFIX}/${ZANRAI_MANDIR}/man6")
endif()
file(INSTALL "${zanrai_stage_dir}/zanrai.6.gz" DESTINATION "${zanrai_man_dir}"
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(REMOVE_RECURSE "${zanrai_stage_dir}")
