# Installs the build into a fresh prefix and checks what a desktop needs of it: the program,
# its launcher, the metainfo and the icon at every size. With -DVALIDATE=ON it instead checks
# the installed launcher and metainfo with the desktop's own validators, when they are there.
# Run with -DBUILD_DIR=... -DPREFIX=... -DBINDIR=... (the program's directory in the prefix)
# -DAPP_ID=... -DVERSION=... -DICON_SIZES=16,22,...

set(failures "")
macro(fail text)
  list(APPEND failures "${text}")
endmacro()

set(desktop ${PREFIX}/share/applications/${APP_ID}.desktop)
set(metainfo ${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml)

if(VALIDATE)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(APPSTREAMCLI appstreamcli)
  find_program(UPDATE_MIME_DATABASE update-mime-database)
  if(NOT DESKTOP_FILE_VALIDATE OR NOT APPSTREAMCLI OR NOT UPDATE_MIME_DATABASE)
    message("validators not installed (desktop-file-utils, appstream, shared-mime-info): skipped")
    return()
  endif()
  execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${desktop}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  # It reports hints too; only errors and warnings count.
  if(NOT status EQUAL 0 OR "${out}${err}" MATCHES "error:|warning:")
    fail("desktop-file-validate ${desktop}:\n${out}${err}")
  endif()
  # At its most pedantic, as software centres read it: not even a remark.
  execute_process(COMMAND ${APPSTREAMCLI} validate --pedantic --no-net --no-color ${metainfo}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR "\n${out}${err}" MATCHES "\n[EWIP]: ")
    fail("appstreamcli validate ${metainfo}:\n${out}${err}")
  endif()
  # The replays' file type, compiled as the desktop compiles it: by name, and by the first bytes
  # of a file named otherwise.
  set(mime ${PREFIX}/validate-mime)
  file(REMOVE_RECURSE ${mime})
  file(COPY ${PREFIX}/share/mime/packages DESTINATION ${mime})
  execute_process(COMMAND ${UPDATE_MIME_DATABASE} -V ${mime}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR "${out}${err}" MATCHES "[Ee]rror|[Ww]arning|[Uu]nknown")
    fail("update-mime-database:\n${out}${err}")
  elseif(NOT EXISTS ${mime}/globs2 OR NOT EXISTS ${mime}/magic)
    fail("update-mime-database wrote no globs2 or magic")
  else()
    file(READ ${mime}/globs2 globs)
    file(STRINGS ${mime}/magic magic)
    if(NOT globs MATCHES ":application/x-quibblix-replay:\\*\\.qbr\n")
      fail("the replays' type is not found by name:\n${globs}")
    endif()
    if(NOT magic MATCHES "application/x-quibblix-replay" OR NOT magic MATCHES "QBXREPLY")
      fail("the replays' type is not found by content: ${magic}")
    endif()
  endif()
  file(REMOVE_RECURSE ${mime})
else()
  if(EXISTS ${PREFIX}/${BINDIR})  # left read-only by a run that stopped half-way
    file(CHMOD ${PREFIX}/${BINDIR} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  endif()
  file(REMOVE_RECURSE ${PREFIX})
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed:\n${out}${err}")
  endif()

  set(program ${PREFIX}/${BINDIR}/quibblix)
  if(NOT EXISTS ${program} OR IS_DIRECTORY ${program})
    fail("no program at ${program}")
  else()
    execute_process(COMMAND ${program} --version OUTPUT_VARIABLE out RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT out STREQUAL "Quibblix ${VERSION}\n")
      fail("the installed program says '${out}' (status ${status}) to --version")
    endif()
  endif()

  # The records go next to the program while its directory can be written, else to the
  # user's data directory. A directory without write permission bits is read-only even to root.
  set(ENV{HOME} ${PREFIX}/home)
  set(ENV{XDG_DATA_HOME} ${PREFIX}/home/data)
  set(records Quibblix-Scores.txt Quibblix-Levels.txt)
  foreach(readonly OFF ON)
    if(readonly)
      file(CHMOD ${PREFIX}/${BINDIR} PERMISSIONS OWNER_READ OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                           WORLD_READ WORLD_EXECUTE)
      set(where ${PREFIX}/home/data/quibblix)
      set(not_where ${PREFIX}/${BINDIR})
    else()
      set(where ${PREFIX}/${BINDIR})
      set(not_where ${PREFIX}/home/data/quibblix)
    endif()
    # The high-score screen reads both tables, creating the files when there are none.
    file(WRITE ${PREFIX}/scores.qbx "key ctrl+H\nexpect active frmScores\n")
    execute_process(COMMAND ${program} --headless ${PREFIX}/scores.qbx
      RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
      fail("the installed program's high-score screen failed (status ${status}):\n${err}")
    endif()
    foreach(file ${records})
      if(NOT EXISTS ${where}/${file} OR EXISTS ${not_where}/${file})
        fail("with the program's directory read-only ${readonly}, ${file} is not in ${where} only")
      endif()
      file(REMOVE ${where}/${file})
    endforeach()
  endforeach()
  file(CHMOD ${PREFIX}/${BINDIR} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
             GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

  # The launcher starts the installed program by name and shows the installed icon.
  if(NOT EXISTS ${desktop})
    fail("no launcher at ${desktop}")
  else()
    file(READ ${desktop} text)
    string(REPLACE "." "\\." app_id_pattern "${APP_ID}")
    if(NOT "\n${text}" MATCHES "\nExec=quibblix %f\n" OR NOT "\n${text}" MATCHES "\nIcon=${app_id_pattern}\n"
       OR NOT "\n${text}" MATCHES "\nCategories=Game;ArcadeGame;\n")
      fail("the launcher lacks Exec=quibblix %f, Icon=${APP_ID} or Categories=Game;ArcadeGame;")
    endif()
    # A replay opened in a file manager is handed to the game, whose type the game installs.
    if(NOT "\n${text}" MATCHES "\nMimeType=application/x-quibblix-replay;\n")
      fail("the launcher does not take the replays' type")
    endif()
    if(NOT EXISTS ${PREFIX}/share/mime/packages/${APP_ID}.xml)
      fail("no type for the replays at ${PREFIX}/share/mime/packages/${APP_ID}.xml")
    endif()
  endif()

  # The metainfo names the launcher and the program, and the release that was built.
  if(NOT EXISTS ${metainfo})
    fail("no metainfo at ${metainfo}")
  else()
    file(READ ${metainfo} xml)
    foreach(expected "<id>${APP_ID}</id>"
                     "<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>"
                     "<binary>quibblix</binary>" "<release version=\"${VERSION}\"")
      string(FIND "${xml}" "${expected}" at)
      if(at EQUAL -1)
        fail("the metainfo lacks ${expected}")
      endif()
    endforeach()
  endif()

  # Each icon is a PNG of the size its directory says (width and height from its header).
  string(REPLACE "," ";" sizes "${ICON_SIZES}")
  foreach(size ${sizes})
    set(icon ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png)
    if(NOT EXISTS ${icon})
      fail("no icon at ${icon}")
      continue()
    endif()
    file(READ ${icon} header LIMIT 24 HEX)
    string(SUBSTRING "${header}" 0 16 magic)
    string(SUBSTRING "${header}" 32 8 width)
    string(SUBSTRING "${header}" 40 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    if(NOT magic STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
      fail("${icon} is not a ${size}x${size} PNG (${width}x${height})")
    endif()
  endforeach()
endif()

if(failures)
  string(JOIN "\n" report ${failures})
  message(FATAL_ERROR "${report}")
endif()
