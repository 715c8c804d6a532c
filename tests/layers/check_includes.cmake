# Every quoted include in the tree names a file by one of two ways: a bare name beside the
# including file, or a path from a library's folder (engine/..., forms/..., backends/qt/...), and a
# library includes only from the folders it may use (app/ is the program's own folder). Arrows point one way:
#   app -> forms, records, art, sound, replay, backends -> engine;  forms -> records.
# Tests, benchmarks, fuzz targets and tools may use any library and their own support folders.
# Run with -DSOURCE_DIR=<the repository>; prints each offending line and fails when there is one.

cmake_minimum_required(VERSION 3.25)

set(libraries engine records forms art sound replay backends/qt backends/headless app)
set(allowed_engine engine)
set(allowed_records records engine)
set(allowed_forms forms records engine)
set(allowed_art art engine)
set(allowed_sound sound engine)
set(allowed_replay replay engine)
set(allowed_backends/qt backends/qt engine)
set(allowed_backends/headless backends/headless engine)
# Where the build does not stop a Qt header, neither may a source: only these use Qt at all.
set(qt_users art backends/qt records app)

# The library folder a path under src/ starts with, or "" when there is none.
function(library_of path out)
  set(found "")
  foreach(lib ${libraries})
    if(path MATCHES "^${lib}/")
      set(found ${lib})
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/app/*.h
     ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h ${SOURCE_DIR}/bench/*.cpp
     ${SOURCE_DIR}/bench/*.h ${SOURCE_DIR}/fuzz/*.cpp ${SOURCE_DIR}/fuzz/*.h
     ${SOURCE_DIR}/tools/*.cpp ${SOURCE_DIR}/tools/*.h)

set(faults 0)
foreach(file ${files})
  get_filename_component(dir ${file} DIRECTORY)
  if(file MATCHES "^src/")
    string(REGEX REPLACE "^src/" "" inside ${file})
    library_of(${inside} owner)
  elseif(file MATCHES "^app/")
    set(owner app)
  else()
    string(REGEX REPLACE "/.*" "" owner ${file})  # tests, bench, fuzz, tools
  endif()

  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line ${lines})
    set(why "")
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]*)\"")
      set(target ${CMAKE_MATCH_1})
      library_of(${target} reached)
      if(target MATCHES "(^|/)\\.\\.?/")
        set(why "climbs out of its folder")
      elseif(NOT target MATCHES "/")
        if(NOT EXISTS ${SOURCE_DIR}/${dir}/${target})
          set(why "names a file that is not beside it")
        endif()
      elseif(reached STREQUAL "")
        # A path from the including file's folder or from the tests' own root.
        string(REGEX REPLACE "/.*" "" root ${file})
        if(NOT owner STREQUAL "app" AND root MATCHES "^(tests|bench|fuzz|tools)$"
           AND EXISTS ${SOURCE_DIR}/${root}/${target})
          set(why "")
        else()
          set(why "reaches another folder by a relative path")
        endif()
      elseif(NOT EXISTS ${SOURCE_DIR}/src/${target} AND NOT reached STREQUAL "app")
        # The tests mirror the libraries' folders: tests/forms/game/... beside src/forms/game/...
        string(REGEX REPLACE "/.*" "" root ${file})
        if(NOT root STREQUAL "tests" OR NOT EXISTS ${SOURCE_DIR}/tests/${target})
          set(why "names a file that does not exist")
        endif()
      elseif(reached STREQUAL "app" AND NOT EXISTS ${SOURCE_DIR}/${target}
             AND NOT EXISTS ${SOURCE_DIR}/${target}.in)  # or made by the build from it
        set(why "names a file that does not exist")
      elseif(DEFINED allowed_${owner} AND NOT reached IN_LIST allowed_${owner})
        set(why "reaches ${reached}, which ${owner} may not use")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*)[/>]" AND DEFINED allowed_${owner}
           AND NOT owner IN_LIST qt_users)
      set(why "uses Qt, which ${owner} may not")
    endif()
    if(why)
      string(STRIP "${line}" shown)
      message("${file}: ${shown}: ${why}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) against the layers")
endif()
list(LENGTH files count)
message("${count} files, every include within the layers")
