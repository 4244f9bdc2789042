# Read by cpack for each generator before it installs into its staging
# folder. The install rules cannot see which generator runs, but they run in
# this process and see its environment: the Debian package gets the Debian
# layout (the launcher in games/, the changelog in Debian's format).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(ENV{ZANRAI_DEBIAN_PACKAGE} 1)
else()
  unset(ENV{ZANRAI_DEBIAN_PACKAGE})
endif()
