# The Debian package of everything installed (all components, so a component that installs
# something, the GDAL driver plugin say, is in it too). `make package` configures the build
# with the prefix /usr, which decides the multiarch library folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME calvorn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Calvorn developers")
set(CPACK_PACKAGE_CONTACT "The Calvorn developers <calvorn@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converter of Torvex GIS data files into ESRI Shapefiles")
# The long description; CPack puts the summary above it and indents it as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Calvorn turns the vector data files of the Torvex GIS product (points, lines,
polygons, tables and whole projects) into ESRI Shapefiles that GDAL, QGIS and
ArcGIS open correctly, Chinese text included. Every conversion tells its story,
record by record, in a conversion log.

The package holds the desktop program calvorn, the console tool calvorn-cli for
scripts and batches, and torvex-make, which writes Torvex files from a JSON
description.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(CALVORN_HOME_PAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CALVORN_HOME_PAGE})
endif()
# The libraries the binaries link, from dpkg-shlibdeps; what the desktop program loads at run
# time besides: Qt's platform plugins, Qt's own Chinese texts, a font with Chinese glyphs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(CALVORN_BUILD_UI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
