# What is installed beside the program for a desktop and a distribution: the metainfo, the
# manual page, the copyright file, the changelog and the README. The changelog is Debian's,
# debian/changelog: its latest entry must be the project's version, and it gives the metainfo
# its releases and the manual page its date. The Debian package is built from debian/ by
# dpkg-buildpackage (scripts/package.sh).

find_program(GZIP gzip REQUIRED)
set(packaging_dir ${CMAKE_CURRENT_BINARY_DIR}/packaging)
# Copied below, so a change to it configures the build again.
set(changelog ${PROJECT_SOURCE_DIR}/debian/changelog)

include(${CMAKE_CURRENT_LIST_DIR}/releases.cmake)
quibblix_releases(${changelog} QUIBBLIX_RELEASES changelog_version QUIBBLIX_RELEASE_DATE)
if(NOT changelog_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "debian/changelog's latest entry is '${changelog_version}' but the "
                      "project's version is ${PROJECT_VERSION}: give it an entry")
endif()

configure_file(${PROJECT_SOURCE_DIR}/data/${QUIBBLIX_APP_ID}.metainfo.xml.in
               ${CMAKE_CURRENT_BINARY_DIR}/${QUIBBLIX_APP_ID}.metainfo.xml @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/quibblix.6.in ${packaging_dir}/quibblix.6 @ONLY)
configure_file(${changelog} ${packaging_dir}/changelog COPYONLY)
# The README, for the headless driver's commands that the manual page points to.
configure_file(${PROJECT_SOURCE_DIR}/README.md ${packaging_dir}/README.md COPYONLY)
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
install(FILES ${PROJECT_SOURCE_DIR}/debian/copyright ${packaging_dir}/changelog.gz
              ${packaging_dir}/README.md.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quibblix)
