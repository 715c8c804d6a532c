# The program's command line: what --help and --version print, and that a mistake is named in
# one line on standard error with status 2. Run with -DQUIBBLIX=<program> -DVERSION=<version>.

# Without a display the windowed game stops before opening anything, so the options it accepts
# can be told from those it refuses.
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})

set(failures "")

# Runs the program with the given arguments and checks its status and output. STDOUT and STDERR
# are regular expressions; STDERR_LINES the number of lines expected on standard error.
function(check)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "STATUS;STDOUT;STDERR;STDERR_LINES" "ARGS")
  execute_process(COMMAND ${QUIBBLIX} ${arg_ARGS}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 20)
  set(what "quibblix ${arg_ARGS}")
  if(NOT status STREQUAL arg_STATUS)
    list(APPEND failures "${what}: status ${status}, expected ${arg_STATUS}\n${out}${err}")
  endif()
  if(DEFINED arg_STDOUT AND NOT out MATCHES "${arg_STDOUT}")
    list(APPEND failures "${what}: standard output\n${out}\ndoes not match ${arg_STDOUT}")
  endif()
  if(DEFINED arg_STDERR AND NOT err MATCHES "${arg_STDERR}")
    list(APPEND failures "${what}: standard error\n${err}\ndoes not match ${arg_STDERR}")
  endif()
  if(DEFINED arg_STDERR_LINES)
    string(REGEX MATCHALL "\n" newlines "${err}")
    list(LENGTH newlines lines)
    if(NOT lines EQUAL arg_STDERR_LINES OR (lines GREATER 0 AND NOT err MATCHES "\n$"))
      list(APPEND failures
           "${what}: ${lines} lines on standard error, expected ${arg_STDERR_LINES}\n${err}")
    endif()
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

# Help and version: plain text on standard output, nothing else, status 0.
check(ARGS --help STATUS 0
      STDOUT "^Usage: quibblix \\[--scale N\\] \\[--fullscreen \\| --window\\] \\[--mute\\] \\[--records-dir DIR\\]\n.*--scale N +draw the windows N times larger \\(1 to 4\\)\n.*--fullscreen +fill the screen \\(F11 [^\n]*\n.*--version +show the version\n.*game controller.*Start pauses"
      STDERR_LINES 0)
check(ARGS -h STATUS 0 STDOUT "^Usage: quibblix" STDERR_LINES 0)
check(ARGS --version STATUS 0 STDOUT "^Quibblix ${VERSION}\n$" STDERR_LINES 0)

# Mistakes: one line naming what was wrong, nothing on standard output, status 2.
foreach(bad --full-screen -x --Help)
  check(ARGS ${bad} STATUS 2 STDOUT "^$" STDERR "^quibblix: unknown option '${bad}'" STDERR_LINES 1)
endforeach()
foreach(scale 0 5 -1 two 1.5 99999999999999999999999)
  check(ARGS --scale ${scale} STATUS 2 STDOUT "^$"
        STDERR "^quibblix: --scale needs a whole number from 1 to 4" STDERR_LINES 1)
endforeach()
check(ARGS --scale STATUS 2 STDERR "--scale needs a whole number" STDERR_LINES 1)
# A value may also follow its option after '='.
check(ARGS --scale=5 STATUS 2 STDERR "^quibblix: --scale needs a whole number from 1 to 4"
      STDERR_LINES 1)
check(ARGS --records-dir= STATUS 2 STDERR "^quibblix: --records-dir needs a directory"
      STDERR_LINES 1)
check(ARGS --scale=2 STATUS 1 STDERR "needs a graphical display" STDERR_LINES 1)
check(ARGS --headless --scale 2 STATUS 2 STDERR "--scale works only in a window" STDERR_LINES 1)
check(ARGS --headless --fullscreen STATUS 2 STDERR "--fullscreen works only in a window"
      STDERR_LINES 1)
check(ARGS --seed 3 STATUS 2 STDERR "--seed works only with --headless" STDERR_LINES 1)
check(ARGS --headless --window STATUS 2 STDERR "--window works only in a window" STDERR_LINES 1)
check(ARGS --headless --no-demo STATUS 2 STDERR "--no-demo works only in a window" STDERR_LINES 1)
check(ARGS --fullscreen --window STATUS 2 STDERR "--fullscreen and --window exclude each other"
      STDERR_LINES 1)
# The records may go elsewhere in a window too: the game gets as far as looking for a display.
check(ARGS --records-dir /tmp --window STATUS 1 STDERR "needs a graphical display" STDERR_LINES 1)
# The help says where the records go by default, for a copy installed or not.
check(ARGS --help STATUS 0
      STDOUT "--records-dir DIR +where the game keeps its record files.*not under[ \n]+/usr, else \\$XDG_DATA_HOME/quibblix, ~/.local/share/quibblix"
      STDERR_LINES 0)
check(ARGS script.qbx STATUS 2 STDERR "a script runs only with --headless" STDERR_LINES 1)
check(ARGS --headless a.qbx b.qbx STATUS 2 STDERR "unexpected argument 'b.qbx'" STDERR_LINES 1)

check(ARGS --mute --headless --records-dir /nonexistent/dir SCRIPT_THAT_IS_MISSING STATUS 2
      STDERR "cannot read the script" STDERR_LINES 1)

# A replay to watch that cannot be played is said before any window is looked for; one that can
# gets as far as the display.
check(ARGS --replay /nonexistent/game.qbr STATUS 2 STDOUT "^$"
      STDERR "^quibblix: cannot read the replay '/nonexistent/game.qbr': " STDERR_LINES 1)
check(ARGS --replay STATUS 2 STDERR "--replay needs a file" STDERR_LINES 1)
# A replay named alone, as a file manager opens one, is watched like --replay; a second one,
# or one beside --replay, is a mistake.
check(ARGS /nonexistent/Game.QBR STATUS 2 STDOUT "^$"
      STDERR "^quibblix: cannot read the replay '/nonexistent/Game.QBR': " STDERR_LINES 1)
check(ARGS --replay a.qbr b.qbr STATUS 2 STDERR "unexpected argument 'b.qbr'" STDERR_LINES 1)
check(ARGS a.qbr b.qbr STATUS 2 STDERR "unexpected argument 'b.qbr'" STDERR_LINES 1)
check(ARGS .qbr STATUS 2 STDERR "a script runs only with --headless" STDERR_LINES 1)
check(ARGS --headless --replay x.qbr STATUS 2 STDERR "--replay is watched in a window"
      STDERR_LINES 1)
check(ARGS --verify-replay x.qbr --replay y.qbr STATUS 2
      STDERR "--verify-replay takes no other option" STDERR_LINES 1)

# Every scale from 1 to 4 is taken: the game gets as far as looking for a display, and says how
# to start it, as it was run, under a virtual one.
foreach(scale 1 4)
  check(ARGS --scale ${scale} STATUS 1 STDOUT "^$"
        STDERR "needs a graphical display; to run it without one, use: xvfb-run -a ${QUIBBLIX} --scale ${scale}\n$"
        STDERR_LINES 1)
endforeach()
check(ARGS --fullscreen --scale 2 STATUS 1 STDOUT "^$"
      STDERR "use: xvfb-run -a ${QUIBBLIX} --fullscreen --scale 2\n$" STDERR_LINES 1)

if(failures)
  string(JOIN "\n\n" report ${failures})
  message(FATAL_ERROR "${report}")
endif()
