# The Windows program's icon and version information, and its packages: an installer
# (`cpack -G NSIS`, Debian's makensis) and a .zip (`cpack -G ZIP`), both
# stationplayer-<version>-win64. scripts/build-windows.sh makes both.
set(sp_display_name "Tidemark Drum and Bass FM")
set(CPACK_PACKAGE_VENDOR "Tidemark Drum and Bass FM")

# The icon: the logo drawn at each size by the generator built for the build machine,
# gathered into one .ico (icoutils); the largest stays PNG-compressed, as Windows allows.
set(STATIONPLAYER_ICON_GENERATOR "" CACHE FILEPATH "make_app_icons built for the build machine")
if(NOT STATIONPLAYER_ICON_GENERATOR)
  message(FATAL_ERROR "STATIONPLAYER_ICON_GENERATOR is not set (scripts/build-windows.sh sets it)")
endif()
find_program(ICOTOOL icotool REQUIRED)
set(sp_icon_dir ${CMAKE_BINARY_DIR}/icon)
set(sp_icon ${sp_icon_dir}/stationplayer.ico)
set(sp_icon_sizes 16 20 24 32 40 48 64)
set(sp_icon_pngs)
foreach(size IN LISTS sp_icon_sizes)
  list(APPEND sp_icon_pngs ${sp_icon_dir}/${size}.png)
endforeach()
add_custom_command(
  OUTPUT ${sp_icon}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${sp_icon_dir}
  COMMAND ${STATIONPLAYER_ICON_GENERATOR} ${sp_icon_dir} ${sp_icon_sizes} 256
  COMMAND ${ICOTOOL} -c -o ${sp_icon} ${sp_icon_pngs} -r ${sp_icon_dir}/256.png
  DEPENDS ${STATIONPLAYER_ICON_GENERATOR}
  COMMENT "Drawing the program's icon"
  VERBATIM)
# The manifest: common controls version 6, system DPI awareness, the user's own rights.
set(sp_manifest ${CMAKE_BINARY_DIR}/generated/stationplayer.manifest)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/stationplayer.manifest.in ${sp_manifest} @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/stationplayer.rc.in
               ${CMAKE_BINARY_DIR}/generated/stationplayer.rc @ONLY)
# The program is defined in src/, so it reaches the icon's command through a target.
add_custom_target(program_icon DEPENDS ${sp_icon})
set_source_files_properties(${CMAKE_BINARY_DIR}/generated/stationplayer.rc PROPERTIES
                            OBJECT_DEPENDS "${sp_icon};${sp_manifest}")
# The test build carries the same resources, so it starts as the program does.
foreach(program stationplayer stationplayer-faults)
  add_dependencies(${program} program_icon)
  target_sources(${program} PRIVATE ${CMAKE_BINARY_DIR}/generated/stationplayer.rc)
endforeach()

# Everything sits in the installation folder itself: one program that needs no DLL.
install(TARGETS stationplayer RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Player for the internet radio station ${sp_display_name}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY ${sp_display_name})
# The key under which Windows lists the program for removal, the same for every version.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ${PROJECT_NAME})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

# A 64-bit installer: it runs where the program does (and under a 64-bit-only Wine),
# and writes to the 64-bit Program Files and registry.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# The Start menu entry, with the program's own icon (the first in the .exe).
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\${sp_display_name}.lnk' '$INSTDIR\\${PROJECT_NAME}.exe' '' '$INSTDIR\\${PROJECT_NAME}.exe' 0")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\$MUI_TEMP\\${sp_display_name}.lnk'")
set(CPACK_NSIS_PACKAGE_NAME ${sp_display_name})
set(CPACK_NSIS_DISPLAY_NAME ${sp_display_name})
set(CPACK_NSIS_INSTALLED_ICON_NAME ${PROJECT_NAME}.exe)
set(CPACK_NSIS_MUI_ICON ${sp_icon})
set(CPACK_NSIS_MUI_UNIICON ${sp_icon})
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# A GUI program: the installer does not offer to put it on the PATH.
set(CPACK_NSIS_MODIFY_PATH OFF)

set(CPACK_GENERATOR NSIS ZIP)
# The values above reach makensis as written, backslashes and all.
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
