# SPDX-License-Identifier: MIT
# The Windows packages: a ZIP of the two programs with the README and licence,
# and an NSIS installer (makensis, which runs here on the build machine).
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(TARNQUILL_PACKAGE_BASE ${PROJECT_BINARY_DIR}/tarnquill-${PROJECT_VERSION}-windows-x64)

# The ZIP: one folder holding the programs, the README and the licence.
add_custom_target(windows_zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${TARNQUILL_PACKAGE_BASE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TARNQUILL_PACKAGE_BASE}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tarnquill> $<TARGET_FILE:tarnquill-winapi>
          ${PROJECT_SOURCE_DIR}/README.md ${TARNQUILL_PACKAGE_BASE}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${TARNQUILL_PACKAGE_BASE}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E chdir ${PROJECT_BINARY_DIR}
          ${CMAKE_COMMAND} -E tar cf ${TARNQUILL_PACKAGE_BASE}.zip --format=zip tarnquill-${PROJECT_VERSION}-windows-x64
  DEPENDS tarnquill tarnquill-winapi
  BYPRODUCTS ${TARNQUILL_PACKAGE_BASE}.zip
  COMMENT "Packing ${TARNQUILL_PACKAGE_BASE}.zip")

find_program(MAKENSIS makensis)
if(MAKENSIS)
  add_custom_target(windows_installer
    COMMAND ${MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DBUILD=$<TARGET_FILE_DIR:tarnquill>
            -DSOURCE=${PROJECT_SOURCE_DIR} -DOUTFILE=${TARNQUILL_PACKAGE_BASE}-setup.exe
            ${CMAKE_CURRENT_SOURCE_DIR}/windows/tarnquill.nsi
    DEPENDS tarnquill tarnquill-winapi
    BYPRODUCTS ${TARNQUILL_PACKAGE_BASE}-setup.exe
    COMMENT "Building ${TARNQUILL_PACKAGE_BASE}-setup.exe")
endif()
