# quibblix --verify-replay on a game recorded headless: one line of JSON and status 0 for the
# game as recorded; status 1 or one line on standard error and status 2 for damaged files, and
# never a change to the record tables. Run with -DQUIBBLIX=<program> -DWORKDIR=<scratch>.

file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR}/records)
set(failures "")
set(game ${WORKDIR}/game.qbr)

file(WRITE ${WORKDIR}/game.qbx "click frmMenu.cmdPlay\nwait 2500\nkey Left down\nwait 600\nkey Left up\nkey Space\nwait 1500\nkey Escape\nwait 300\nkey Escape\nwait 20000\n")
execute_process(COMMAND ${QUIBBLIX} --headless --records-dir ${WORKDIR}/records --record ${game}
                        ${WORKDIR}/game.qbx
  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err TIMEOUT 60)
if(NOT status EQUAL 0 OR NOT EXISTS ${game})
  message(FATAL_ERROR "recording failed: ${status} ${err}")
endif()
file(GLOB tables_before ${WORKDIR}/records/*)

function(verify file)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "STATUS;STDOUT;STDERR" "")
  execute_process(COMMAND ${QUIBBLIX} --verify-replay ${file}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT status MATCHES "^(${arg_STATUS})$")
    list(APPEND failures "${file}: status ${status}, expected ${arg_STATUS}\n${out}${err}")
  endif()
  if(DEFINED arg_STDOUT AND NOT out MATCHES "${arg_STDOUT}")
    list(APPEND failures "${file}: standard output\n${out}\ndoes not match ${arg_STDOUT}")
  endif()
  if(status EQUAL 2 AND NOT err MATCHES "^quibblix: cannot read the replay '[^\n]*': [^\n]+\n$")
    list(APPEND failures "${file}: not one line on standard error\n${err}")
  endif()
  if(NOT status EQUAL 2 AND NOT err STREQUAL "")
    list(APPEND failures "${file}: standard error\n${err}")
  endif()
  if(DEFINED arg_STDERR AND NOT err MATCHES "${arg_STDERR}")
    list(APPEND failures "${file}: standard error\n${err}\ndoes not match ${arg_STDERR}")
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

# Copies the game with bytes replaced at an offset (hex pairs), or cut to a length.
function(damaged name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "AT;BYTES;CUT" "")
  set(out ${WORKDIR}/${name})
  file(COPY_FILE ${game} ${out})
  if(DEFINED arg_CUT)
    execute_process(COMMAND truncate -s ${arg_CUT} ${out})
  else()
    string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${arg_BYTES}")
    execute_process(COMMAND sh -c "env printf '${escaped}' | dd of='${out}' bs=1 seek=${arg_AT} conv=notrunc status=none")
  endif()
endfunction()

verify(${game} STATUS 0 STDOUT "^{\"player\": \"[^\"]*\", \"score\": [0-9]+, \"level\": 1, \"events\": [0-9]+, \"claimed\": {\"score\": [0-9]+, \"level\": 1}, \"matches\": true}\n$")

damaged(newer.qbr AT 8 BYTES 0900)
verify(${WORKDIR}/newer.qbr STATUS 2 STDERR "newer version")
damaged(header.qbr CUT 100)
verify(${WORKDIR}/header.qbr STATUS 2 STDERR "cut off")
damaged(claim.qbr AT 36 BYTES 01)
verify(${WORKDIR}/claim.qbr STATUS 2 STDERR "header is corrupted")
# A byte changed anywhere among the events: a different result, or refused.
file(SIZE ${game} size)
foreach(at 140 200 ${size})
  if(at LESS size)
    damaged(event${at}.qbr AT ${at} BYTES a5)
    verify(${WORKDIR}/event${at}.qbr STATUS "1|2")
  endif()
endforeach()
math(EXPR half "${size} / 2")
damaged(half.qbr CUT ${half})
# Cut off in the middle: it cannot show the result its header claims.
verify(${WORKDIR}/half.qbr STATUS 1 STDOUT "\"matches\": false}\n$")
verify(${WORKDIR}/none.qbr STATUS 2 STDERR "cannot open it")
verify(${WORKDIR} STATUS 2)
verify(${WORKDIR}/game.qbx STATUS 2 STDERR "not a replay")

# A game of two: both results checked, each under its own name; the pads' own inputs and both
# players' keys at once.
set(two ${WORKDIR}/two.qbr)
file(WRITE ${WORKDIR}/two.qbx "answer kim\nclick frmMenu.cmdTwoPlayers\nwait 2500\nkey a down\nkey Right down\nwait 600\nkey a up\nkey Right up\nkey Up\nkey w\npad 2 a\npad leftx -20000\nwait 300\npad leftx 0\nwait 20000\nmenu frmGame.mnuExit\n")
execute_process(COMMAND ${QUIBBLIX} --headless --records-dir ${WORKDIR}/records2 --record ${two}
                        ${WORKDIR}/two.qbx
  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err TIMEOUT 60)
if(NOT status EQUAL 0 OR NOT EXISTS ${two})
  message(FATAL_ERROR "recording two players failed: ${status} ${err}")
endif()
verify(${two} STATUS 0 STDOUT "^{\"players\": \\[{\"player\": \"[^\"]*\", \"score\": [0-9]+, \"level\": 1, \"claimed\": {\"score\": [0-9]+, \"level\": 1}}, {\"player\": \"KIM\", \"score\": [0-9]+, \"level\": 1, \"claimed\": {\"score\": [0-9]+, \"level\": 1}}\\], \"events\": [0-9]+, \"matches\": true}\n$")
# Player 2's claimed score, changed: its header no longer checks.
file(COPY_FILE ${two} ${WORKDIR}/two-claim.qbr)
execute_process(COMMAND sh -c "printf '\\001' | dd of='${WORKDIR}/two-claim.qbr' bs=1 seek=128 conv=notrunc status=none")
verify(${WORKDIR}/two-claim.qbr STATUS 2 STDERR "header is corrupted")

# Games kept by earlier releases still verify, to the same line.
verify(${DATA}/one-player-1.0.0.qbr STATUS 0 STDOUT "^{\"player\": \"ALICE\", \"score\": 10, \"level\": 1, \"events\": 6749, \"claimed\": {\"score\": 10, \"level\": 1}, \"matches\": true}\n$")
verify(${DATA}/two-players-1.1.0.qbr STATUS 0 STDOUT "^{\"players\": \\[{\"player\": \"ALICE\", \"score\": 10, \"level\": 1, \"claimed\": {\"score\": 10, \"level\": 1}}, {\"player\": \"BOB\", \"score\": 0, \"level\": 1, \"claimed\": {\"score\": 0, \"level\": 1}}\\], \"events\": 5131, \"matches\": true}\n$")

# Killed while it records: the file keeps all but the last second, and verifies.
file(WRITE ${WORKDIR}/kill.sh [=[
set -e
cd "$1"
mkfifo in
"$2" --headless --records-dir records --record killed.qbr < in > /dev/null 2>&1 &
pid=$!
exec 3> in
printf 'click frmMenu.cmdPlay\nwait 2500\nkey Left down\nwait 4000\nkey Left up\n' >&3
# The header counts its inputs from byte 32 on once a chunk is written.
for i in $(seq 1 300); do
  if [ "$(od -An -tu4 -j32 -N4 killed.qbr 2>/dev/null | tr -d ' ')" -gt 0 ] 2>/dev/null; then break; fi
  sleep 0.1
done
sleep 1
kill -9 $pid
wait $pid || true
]=])
execute_process(COMMAND sh ${WORKDIR}/kill.sh ${WORKDIR} ${QUIBBLIX} RESULT_VARIABLE status
                ERROR_VARIABLE err TIMEOUT 60)
if(NOT status EQUAL 0)
  list(APPEND failures "the recording could not be killed: ${status} ${err}")
endif()
verify(${WORKDIR}/killed.qbr STATUS 0 STDOUT "\"events\": [1-9][0-9][0-9]+, .*\"matches\": true}\n$")

file(GLOB tables_after ${WORKDIR}/records/*)
if(NOT tables_before STREQUAL tables_after)
  list(APPEND failures "the record directory changed: ${tables_before} -> ${tables_after}")
endif()

if(failures)
  string(REPLACE ";" "\n" text "${failures}")
  message(FATAL_ERROR "${text}")
endif()
