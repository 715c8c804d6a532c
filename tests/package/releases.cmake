# The changelog's entries as the metainfo's releases: versions without their Debian revision,
# days of one digit, items over several lines, text that would split a CMake list or break the
# XML, and lines that are no item. Run with -DSOURCE_DIR=... -DWORKDIR=...

cmake_minimum_required(VERSION 3.25)
include(${SOURCE_DIR}/packaging/releases.cmake)

file(MAKE_DIRECTORY ${WORKDIR})
set(changelog ${WORKDIR}/changelog)
file(WRITE ${changelog} [=[
quibblix (2.1.0-3) unstable; urgency=medium

  [ Alice ]
  * Pause; resume [with Esc] & go on
    over <two> lines.
  * One more, with a lone [ bracket.

 -- Alice <alice@example.org>  Tue, 5 Jan 2027 09:30:00 +0100

quibblix (2.0.0) unstable; urgency=low

  * First.

 -- Bob <bob@example.org>  Wed, 30 Sep 2026 23:59:59 -0700
]=])
quibblix_releases(${changelog} xml version date)

set(expected [=[
    <release version="2.1.0" date="2027-01-05">
      <description>
        <ul>
          <li>Pause; resume [with Esc] &amp; go on over &lt;two&gt; lines.</li>
          <li>One more, with a lone [ bracket.</li>
        </ul>
      </description>
    </release>
    <release version="2.0.0" date="2026-09-30">
      <description>
        <ul>
          <li>First.</li>
        </ul>
      </description>
    </release>]=])
set(failures "")
if(NOT xml STREQUAL expected)
  list(APPEND failures "the releases are\n${xml}\nbut should be\n${expected}")
endif()
if(NOT version STREQUAL "2.1.0" OR NOT date STREQUAL "2027-01-05")
  list(APPEND failures "the latest release is '${version}' of '${date}', not 2.1.0 of 2027-01-05")
endif()

# The project's own changelog gives one release per entry.
quibblix_releases(${SOURCE_DIR}/debian/changelog xml version date)
file(STRINGS ${SOURCE_DIR}/debian/changelog entries REGEX "^quibblix \\(")
string(REGEX MATCHALL "<release " releases "${xml}")
list(LENGTH entries entry_count)
list(LENGTH releases release_count)
if(NOT entry_count EQUAL release_count OR entry_count EQUAL 0)
  list(APPEND failures "debian/changelog has ${entry_count} entries, the metainfo ${release_count}")
endif()

if(failures)
  string(JOIN "\n" report ${failures})
  message(FATAL_ERROR "${report}")
endif()
