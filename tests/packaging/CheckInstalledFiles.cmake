# Installs the build into a folder of its own and checks that every file a
# desktop looks for is there, and that each icon is as large as the folder
# it lies in says (a theme scales an icon by its folder's size).
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(
  COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/usr
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()

set(share ${WORK_DIR}/usr/share)
set(missing)
foreach(path
    ${WORK_DIR}/usr/bin/velmora
    ${share}/applications/velmora.desktop
    ${share}/metainfo/org.velmora.velmora.metainfo.xml
    ${share}/man/man1/velmora.1
    ${share}/icons/hicolor/scalable/apps/velmora.svg)
  if(NOT EXISTS ${path})
    list(APPEND missing ${path})
  endif()
endforeach()

foreach(size 16 24 32 48 64 128 256)
  set(png ${share}/icons/hicolor/${size}x${size}/apps/velmora.png)
  if(NOT EXISTS ${png})
    list(APPEND missing ${png})
    continue()
  endif()
  # A PNG file starts with its 8-byte signature and the IHDR chunk, whose
  # data begins with the width and the height as 32-bit big-endian numbers.
  file(READ ${png} header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 0 16 signature)
  string(SUBSTRING "${header}" 32 8 width_hex)
  string(SUBSTRING "${header}" 40 8 height_hex)
  math(EXPR width "0x${width_hex}")
  math(EXPR height "0x${height_hex}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
    message(SEND_ERROR "${png}: a ${width} by ${height} image (signature ${signature}), expected ${size} by ${size} PNG")
  endif()
endforeach()

if(missing)
  list(JOIN missing "\n  " missing_text)
  message(FATAL_ERROR "not installed:\n  ${missing_text}")
endif()
