# The manual page, the copyright file and the changelog, installed where Debian keeps them, and
# the Debian package made from the whole install by CPack. scripts/package.sh builds the package
# from the "package" preset: a Release build for /usr with the program in /usr/games.

set(QUIBBLIX_PACKAGE_MAINTAINER "The Quibblix developers <quibblix@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")

find_program(GZIP gzip REQUIRED)
set(packaging_dir ${CMAKE_CURRENT_BINARY_DIR}/packaging)
configure_file(${CMAKE_CURRENT_LIST_DIR}/../data/quibblix.6.in ${packaging_dir}/quibblix.6 @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog ${packaging_dir}/changelog COPYONLY)
# The README, for the headless driver's commands that the manual page points to.
configure_file(${CMAKE_CURRENT_LIST_DIR}/../README.md ${packaging_dir}/README.md COPYONLY)
# Compressed as Debian wants: the most, and without a name or time stamp, so every build of the
# same text gives the same bytes.
add_custom_command(
  OUTPUT ${packaging_dir}/quibblix.6.gz ${packaging_dir}/changelog.gz ${packaging_dir}/README.md.gz
  COMMAND ${GZIP} -9nkf ${packaging_dir}/quibblix.6 ${packaging_dir}/changelog
          ${packaging_dir}/README.md
  DEPENDS ${packaging_dir}/quibblix.6 ${packaging_dir}/changelog ${packaging_dir}/README.md
  VERBATIM)
add_custom_target(packaging_docs ALL
                  DEPENDS ${packaging_dir}/quibblix.6.gz ${packaging_dir}/changelog.gz
                          ${packaging_dir}/README.md.gz)

install(FILES ${packaging_dir}/quibblix.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${packaging_dir}/changelog.gz
              ${packaging_dir}/README.md.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quibblix)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quibblix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUIBBLIX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade game of splitting bouncing bubbles with arrows")
# The control file keeps these lines as they are: each within 80 columns, "" between paragraphs.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "You walk along the floor of a walled field and fire an arrow straight up."
  "Bubbles of four sizes bounce about the field: shoot one and it splits into"
  "two smaller ones, shoot the smallest and it is gone. Clear the field to"
  "finish a level and earn its time bonus, doubled if you lost no life."
  ""
  "Split bubbles sometimes drop power-ups: an extra life, slower bubbles, a"
  "faster arrow and an arrow that stands as a wall. There are over 20 levels,"
  "and the best scores and the highest levels reached are kept for everyone"
  "who plays on the machine.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; the fonts the screens are drawn in are looked up by
# name at run time, so no library names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-dejavu-core, fonts-liberation2, fonts-comic-neue, fonts-cabinsketch")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The program is stripped by strip.cmake, as Debian strips, rather than by CPack.
set(CPACK_QUIBBLIX_STRIP ${CMAKE_STRIP})
set(CPACK_QUIBBLIX_PROGRAM ${CMAKE_INSTALL_BINDIR}/quibblix)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip.cmake)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
