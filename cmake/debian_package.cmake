# The Debian package tovak_VERSION_ARCH.deb, made by CPack (scripts/package.sh
# runs `cpack -G DEB`): what `cmake --install` installs, under /usr, with the
# shared libraries' packages as dependencies (dpkg-shlibdeps) and maintainer
# scripts that refresh gdk-pixbuf's loader cache and the MIME database.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tovak)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GIM (PSP picture) converter and desktop support")
# The long description, one paragraph in lines Debian's tools show as they are.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "tovak converts GIM pictures, the image container of the PSP, to PNG and"
  "back. Its gdk-pixbuf loader lets every program that loads pictures through"
  "gdk-pixbuf (Eye of GNOME, gThumb, the GTK file chooser) open them; the"
  "image/x-gim MIME type recognises them by name and by content, and a"
  "thumbnailer entry gives file managers their thumbnails.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "tovak developers <tovak@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# update-mime-database, and gdk-pixbuf-thumbnailer for the thumbnailer entry.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "shared-mime-info")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgdk-pixbuf2.0-bin")
set(CPACK_STRIP_FILES ON)

if(TOVAK_PIXBUF)
  foreach(script IN ITEMS postinst postrm)
    configure_file(${PROJECT_SOURCE_DIR}/pixbuf/debian/${script}.in
      ${CMAKE_BINARY_DIR}/debian/${script} @ONLY
      FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
      WORLD_READ WORLD_EXECUTE)
    list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/${script})
  endforeach()
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
endif()

include(CPack)
