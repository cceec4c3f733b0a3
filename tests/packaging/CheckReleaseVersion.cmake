# The project's version (CMakeLists.txt) is the one the Debian changelog,
# the AppStream metadata's newest release and the manual page name, so that
# a new release cannot be made with one of them left behind.
set(mismatches)

file(STRINGS ${SOURCE_DIR}/debian/changelog first_line LIMIT_COUNT 1)
if(NOT first_line MATCHES "^velmora \\(${VERSION}(-[^)]*)?\\) ")
  list(APPEND mismatches "debian/changelog begins with: ${first_line}")
endif()

file(READ ${SOURCE_DIR}/packaging/org.velmora.velmora.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<releases>[ \t\r\n]*<release version=\"${VERSION}\"")
  list(APPEND mismatches "the metainfo file's first release is not ${VERSION}")
endif()

file(STRINGS ${SOURCE_DIR}/packaging/velmora.1 title REGEX "^\\.TH ")
if(NOT title MATCHES "\"Velmora ${VERSION}\"")
  list(APPEND mismatches "the manual page's title line is: ${title}")
endif()

if(mismatches)
  list(JOIN mismatches "\n  " text)
  message(FATAL_ERROR "the version is ${VERSION} in CMakeLists.txt, but\n  ${text}")
endif()
