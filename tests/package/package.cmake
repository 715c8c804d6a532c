# Builds the Debian package as scripts/package.sh does, with dpkg-buildpackage in a scratch
# directory, and checks what a distribution and a player's apt would see: the source package, the
# tests run by the build, the control fields, every file and its mode, a stripped program that
# runs, the documents Debian wants, and lintian's verdict on the source, the changes and the
# binary package when lintian is installed.
# Run with -DSOURCE_DIR=... -DWORKDIR=... -DVERSION=... -DAPP_ID=... -DICON_SIZES=16,22,...

cmake_minimum_required(VERSION 3.25)

set(failures "")
macro(fail text)
  list(APPEND failures "${text}")
endmacro()

file(REMOVE_RECURSE ${WORKDIR}/dist ${WORKDIR}/root)
execute_process(
  COMMAND ${SOURCE_DIR}/scripts/package.sh --no-setup --build-dir ${WORKDIR}/build
          --output ${WORKDIR}/dist
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(WRITE ${WORKDIR}/build.log "${out}${err}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "scripts/package.sh failed (${status}), see ${WORKDIR}/build.log:\n${err}")
endif()
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb ${WORKDIR}/dist/quibblix_${VERSION}_${arch}.deb)
string(STRIP "${out}" out)
string(REGEX REPLACE ".*\n" "" last_line "${out}")
if(NOT EXISTS ${deb} OR NOT last_line STREQUAL deb)
  message(FATAL_ERROR "expected ${deb}; scripts/package.sh printed last:\n${last_line}")
endif()
set(dsc ${WORKDIR}/dist/quibblix_${VERSION}.dsc)
set(changes ${WORKDIR}/dist/quibblix_${VERSION}_${arch}.changes)
foreach(file ${dsc} ${WORKDIR}/dist/quibblix_${VERSION}.tar.xz ${changes})
  if(NOT EXISTS ${file})
    fail("the build left no ${file}")
  endif()
endforeach()

# The build ran the tests, and only those that need neither an X server nor clang nor hours:
# ctest's summary names the labels of the tests it ran.
if(NOT out MATCHES "100% tests passed, 0 tests failed out of [1-9]")
  fail("the package's build ran no tests, or not all passed (see ${WORKDIR}/build.log)")
endif()
string(REGEX MATCH "Label Time Summary:\n([^\n]+\n)+" labels "${out}")
if(NOT labels MATCHES "\n *unit +" OR labels MATCHES "\n *(e2e|fuzz|soak|package) +")
  fail("the package's build ran the tests labelled:\n${labels}")
endif()

# Control fields. The library dependencies are computed, so only their presence is checked; a
# development package would pull compilers and headers onto a player's machine.
function(field name out_var)
  execute_process(COMMAND dpkg-deb --field ${deb} ${name} OUTPUT_VARIABLE value
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(${out_var} "${value}" PARENT_SCOPE)
endfunction()
foreach(pair "Package=quibblix" "Version=${VERSION}" "Architecture=${arch}" "Section=games"
             "Priority=optional")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 expected)
  field(${name} value)
  if(NOT value STREQUAL expected)
    fail("${name}: '${value}', expected '${expected}'")
  endif()
endforeach()
field(Depends depends)
string(REPLACE ", " ";" depends_list "${depends}")
list(TRANSFORM depends_list REPLACE " .*" "")
foreach(package fonts-dejavu-core fonts-liberation2 fonts-comic-neue fonts-cabinsketch libc6
                libqt6core6 libqt6gui6 libqt6widgets6)
  if(NOT package IN_LIST depends_list)
    fail("Depends lacks ${package}: ${depends}")
  endif()
endforeach()
foreach(package ${depends_list})
  if(package MATCHES "-dev$")
    fail("Depends names the development package ${package}")
  endif()
endforeach()
field(Recommends recommends)
if(NOT recommends STREQUAL "qt6-wayland")
  fail("Recommends: '${recommends}', expected 'qt6-wayland'")
endif()
field(Maintainer maintainer)
if(NOT maintainer MATCHES "^[^<]+ <[^@>]+@[^>]+>$")
  fail("Maintainer is not a name and an address: '${maintainer}'")
endif()

# Exactly these files, root's, with the usual modes; the program in /usr/games as Debian keeps
# games, and nothing else (no /usr/bin, no headers, no libraries).
set(expected_files
    "-rwxr-xr-x ./usr/games/quibblix"
    "-rw-r--r-- ./usr/share/applications/${APP_ID}.desktop"
    "-rw-r--r-- ./usr/share/metainfo/${APP_ID}.metainfo.xml"
    "-rw-r--r-- ./usr/share/mime/packages/${APP_ID}.xml"
    "-rw-r--r-- ./usr/share/man/man6/quibblix.6.gz"
    "-rw-r--r-- ./usr/share/doc/quibblix/copyright"
    "-rw-r--r-- ./usr/share/doc/quibblix/changelog.gz"
    "-rw-r--r-- ./usr/share/doc/quibblix/README.md.gz")
string(REPLACE "," ";" sizes "${ICON_SIZES}")
foreach(size ${sizes})
  list(APPEND expected_files
       "-rw-r--r-- ./usr/share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png")
endforeach()
execute_process(COMMAND dpkg-deb --contents ${deb} OUTPUT_VARIABLE listing)
string(REPLACE "\n" ";" listing "${listing}")
set(files "")
foreach(line ${listing})
  if(NOT line MATCHES "^([-dlrwxs]+) ([^ ]+) +[0-9]+ [^ ]+ [^ ]+ (.*)$")
    fail("unexpected line in the package's contents: ${line}")
    continue()
  endif()
  set(mode ${CMAKE_MATCH_1})
  set(owner ${CMAKE_MATCH_2})
  set(path ${CMAKE_MATCH_3})
  if(NOT owner STREQUAL "root/root")
    fail("${path} belongs to ${owner}")
  endif()
  if(mode MATCHES "^d")
    if(NOT mode STREQUAL "drwxr-xr-x")
      fail("directory ${path} has mode ${mode}")
    endif()
  else()
    list(APPEND files "${mode} ${path}")
  endif()
endforeach()
list(SORT files)
list(SORT expected_files)
if(NOT files STREQUAL expected_files)
  string(JOIN "\n  " got ${files})
  string(JOIN "\n  " want ${expected_files})
  fail("the package holds\n  ${got}\nbut should hold\n  ${want}")
endif()

execute_process(COMMAND dpkg-deb --extract ${deb} ${WORKDIR}/root RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dpkg-deb --extract failed")
endif()
set(root ${WORKDIR}/root)

# The program runs, and carries no symbols or debugging information.
execute_process(COMMAND ${root}/usr/games/quibblix --version OUTPUT_VARIABLE out
                RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT out STREQUAL "Quibblix ${VERSION}\n")
  fail("the packaged program says '${out}' (status ${status}) to --version")
endif()
find_program(READELF readelf)
if(READELF)
  execute_process(COMMAND ${READELF} --section-headers --wide ${root}/usr/games/quibblix
                  OUTPUT_VARIABLE sections)
  if(sections MATCHES "\\.symtab|\\.debug_")
    fail("the packaged program is not stripped")
  endif()
endif()

# The changelog names the version that was built (a version raised only in CMakeLists.txt would
# leave it behind), and both documents are compressed without a name or time stamp.
foreach(gz usr/share/doc/quibblix/changelog.gz usr/share/man/man6/quibblix.6.gz)
  file(READ ${root}/${gz} header LIMIT 8 HEX)
  if(NOT header STREQUAL "1f8b080000000000")
    fail("${gz} is not gzip without a name and time stamp (header ${header})")
  endif()
endforeach()
execute_process(COMMAND gzip -dc ${root}/usr/share/doc/quibblix/changelog.gz
                OUTPUT_FILE ${WORKDIR}/changelog)
execute_process(COMMAND dpkg-parsechangelog -l ${WORKDIR}/changelog --show-field Version
                OUTPUT_VARIABLE changelog_version OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_VARIABLE err)
if(NOT changelog_version STREQUAL VERSION)
  fail("the changelog's latest entry is '${changelog_version}', the package ${VERSION} ${err}")
endif()

# The copyright file is machine-readable and grants the licence in LICENSE, word for word.
file(READ ${root}/usr/share/doc/quibblix/copyright copyright)
if(NOT copyright MATCHES "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")
  fail("the copyright file does not start with the machine-readable Format line")
endif()
file(READ ${SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "\nLicense: Expat\n( [^\n]*\n)+" granted "${copyright}")
string(REGEX REPLACE "^\nLicense: Expat\n" "" granted "${granted}")
string(REGEX REPLACE "(^|\n) \\.\n" "\\1\n" granted "${granted}")
string(REGEX REPLACE "(^|\n) " "\\1" granted "${granted}")
string(FIND "${license}" "Permission is hereby granted" at)
string(SUBSTRING "${license}" ${at} -1 license_terms)
if(NOT granted STREQUAL license_terms)
  fail("the copyright file's Expat text differs from LICENSE")
endif()
if(NOT license MATCHES "Copyright \\(c\\) 2026 The Quibblix developers"
   OR NOT copyright MATCHES "\nCopyright: 2026 The Quibblix developers\n")
  fail("LICENSE and the copyright file name different holders")
endif()

# The manual page renders without a complaint from groff.
find_program(MAN man)
if(MAN)
  execute_process(COMMAND ${MAN} --warnings -E UTF-8 -l ${root}/usr/share/man/man6/quibblix.6.gz
                  OUTPUT_VARIABLE page ERROR_VARIABLE warnings RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "" OR NOT page MATCHES "quibblix")
    fail("man reports on the manual page (status ${status}):\n${warnings}")
  endif()
endif()

# Lintian, when installed, at its most pedantic: no error and no warning on the source package,
# the changes or the binary package that no override explains.
find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --pedantic --fail-on error,warning ${dsc} ${changes} ${deb}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE "running with root privileges is not recommended!\n" "" err "${err}")
  string(REGEX MATCHALL "(^|\n)[EW]: [^\n]*" complaints "${out}")
  if(NOT status EQUAL 0 OR complaints)
    fail("lintian (status ${status}):\n${out}${err}")
  endif()
else()
  message("lintian is not installed: its checks were skipped")
endif()

if(failures)
  string(JOIN "\n" report ${failures})
  message(FATAL_ERROR "${report}")
endif()
