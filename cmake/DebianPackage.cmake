# The Debian package of both programs: `cpack -G DEB` in the build folder (./scripts/package)
# writes corvela_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvela)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Corvela maintainers <maintainers@corvela.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert EPUB books from Simplified to Traditional Chinese script")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvela turns EPUB books written in Simplified Chinese script into Traditional Chinese\n\
script, character by character or by phrases (OpenCC), for Taiwan or Hong Kong. The window\n\
converts a list of books; corvela-cli converts many books at a time from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries (Qt 6, OpenCC, FreeType, the C++ runtime) come from dpkg-shlibdeps; the rest is what the
# programs run or read: the archivers, OpenCC's dictionaries, Qt's display plugins and a font
# with Chinese characters.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "zip, unzip, libopencc-data, qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)
