# Fails unless the top entry of the Debian changelog is VERSION with a Debian revision:
# "korvan (VERSION-N) ...". Usage: cmake -DCHANGELOG=... -DVERSION=... -P changelog_version.cmake
file(STRINGS ${CHANGELOG} top LIMIT_COUNT 1)
if(NOT top MATCHES "^korvan \\(([^)]+)-[0-9][^-)]*\\) ")
  message(FATAL_ERROR "cannot read the version of debian/changelog's top entry: ${top}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  message(FATAL_ERROR "debian/changelog's top entry is ${CMAKE_MATCH_1}, project() is ${VERSION}: "
                      "add an entry (dch -v ${VERSION}-1)")
endif()
