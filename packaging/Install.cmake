# Installing Tessaline as a desktop program (programs, menu entry, icons, file types, AppStream data,
# manual pages) and packing it as a Debian package. Everything is in the component "tessaline", the
# only one the package takes, so install rules of found packages never reach it.
include(GNUInstallDirs)

set(TESSALINE_APP_ID "org.tessaline.Tessaline")
set(TESSALINE_HOMEPAGE "https://tessaline.org" CACHE STRING "The project's web address, named by the package and its AppStream data")
# Design formats the program opens, offered to the desktop for double-click and "Open with".
set(TESSALINE_OPENS_MIME_TYPES
  application/x-tajima-dst
  application/x-brother-pes
  application/x-brother-pec
  application/x-janome-jef
  application/x-melco-exp
  application/x-pfaff-vp3
  application/x-singer-xxx
  application/x-husqvarna-hus
  application/x-janome-sew
  application/x-husqvarna-shv
  application/x-pfaff-pcs)
set(TESSALINE_ICON_SIZES 16 22 24 32 48 64 128 256)
set(TESSALINE_PACKAGE_PREFIX /usr)

set(packaging_src ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_out ${PROJECT_BINARY_DIR}/packaging)

# An installed copy keeps its store in the user's data folder (src/app/StoreLocation.cpp), and the
# window names its menu entry so that the desktop shows the entry's icon for it.
target_compile_definitions(tessaline_app PRIVATE
  TESSALINE_INSTALLED_BINDIRS="${CMAKE_INSTALL_FULL_BINDIR}:${TESSALINE_PACKAGE_PREFIX}/${CMAKE_INSTALL_BINDIR}")
target_compile_definitions(tessaline PRIVATE TESSALINE_APP_ID="${TESSALINE_APP_ID}")

list(JOIN TESSALINE_OPENS_MIME_TYPES ";" TESSALINE_DESKTOP_MIME_TYPES)
string(APPEND TESSALINE_DESKTOP_MIME_TYPES ";")
set(TESSALINE_METAINFO_MEDIATYPES "")
foreach(type IN LISTS TESSALINE_OPENS_MIME_TYPES)
  string(APPEND TESSALINE_METAINFO_MEDIATYPES "    <mediatype>${type}</mediatype>\n")
endforeach()
configure_file(${packaging_src}/tessaline.desktop.in ${packaging_out}/${TESSALINE_APP_ID}.desktop @ONLY)
configure_file(${packaging_src}/tessaline.metainfo.xml.in ${packaging_out}/${TESSALINE_APP_ID}.metainfo.xml @ONLY)

# Bitmap icons are drawn from the one SVG at build time; manual pages are compressed as Debian wants.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(GZIP gzip REQUIRED)
set(generated_files)
foreach(size IN LISTS TESSALINE_ICON_SIZES)
  set(png ${packaging_out}/icons/${size}/tessaline.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/icons/${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${packaging_src}/icons/tessaline.svg
    DEPENDS ${packaging_src}/icons/tessaline.svg VERBATIM)
  list(APPEND generated_files ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          COMPONENT tessaline)
endforeach()
foreach(page tessaline.1 tessaline-cli.1)
  add_custom_command(OUTPUT ${packaging_out}/man/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/man
    COMMAND ${GZIP} -9nc ${packaging_src}/man/${page} > ${packaging_out}/man/${page}.gz
    DEPENDS ${packaging_src}/man/${page})
  list(APPEND generated_files ${packaging_out}/man/${page}.gz)
  install(FILES ${packaging_out}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tessaline)
endforeach()
add_custom_target(tessaline_desktop_files ALL DEPENDS ${generated_files})

install(TARGETS tessaline tessaline-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tessaline)
install(FILES ${packaging_out}/${TESSALINE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT tessaline)
install(FILES ${packaging_out}/${TESSALINE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT tessaline)
install(FILES ${packaging_src}/embroidery-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ${TESSALINE_APP_ID}.xml COMPONENT tessaline)
install(FILES ${packaging_src}/icons/tessaline.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT tessaline)

# The Debian package. The menu, icon and MIME caches are refreshed by the triggers of
# desktop-file-utils, the icon theme and shared-mime-info, so the package needs no scripts of its own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaline)
set(CPACK_PACKAGE_VENDOR "Tessaline developers")
set(CPACK_PACKAGE_CONTACT "Tessaline developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn embroidery designs into G-code for a converted CNC table")
set(CPACK_PACKAGE_DESCRIPTION "Tessaline opens embroidery designs (Tajima DST, Brother PES and PEC, Janome
JEF and SEW, Melco EXP, Husqvarna Viking VP3, HUS and SHV, Singer XXX, Pfaff
PCS), shows their figures, writes the G-code program for a CNC table whose
needle drive is a Z axis, replays the design colour by colour and estimates
the stitching time. tessaline-cli does the same without a window.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TESSALINE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a Qt platform plugin, which is loaded at run time and so unseen by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_PACKAGING_INSTALL_PREFIX ${TESSALINE_PACKAGE_PREFIX})
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};tessaline;/")
set(CPACK_STRIP_FILES ON)
include(CPack)
