# The desktop entry and the AppStream metadata pass their validators with
# nothing to say, pedantic hints included (no network: the screenshot URLs
# are not fetched).
execute_process(
  COMMAND ${DESKTOP_FILE_VALIDATE} ${SOURCE_DIR}/packaging/velmora.desktop
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate on velmora.desktop:\n${output}")
endif()

execute_process(
  COMMAND ${APPSTREAMCLI} validate --pedantic --strict --no-net
          ${SOURCE_DIR}/packaging/org.velmora.velmora.metainfo.xml
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR output MATCHES "(^|\n)[EWIP]: ")
  message(FATAL_ERROR "appstreamcli validate --pedantic on the metainfo file:\n${output}")
endif()
