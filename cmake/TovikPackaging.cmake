# The Debian package (scripts/package.sh): the app, the reference rag and the desktop files
# under /usr. The libraries the binaries link come from dpkg-shlibdeps; what they load by
# name at run time is listed here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tovikrag)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The tovikRAG developers")
set(CPACK_PACKAGE_CONTACT "The tovikRAG developers <maintainers@tovikrag.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop window onto the rag document corpus")
set(CPACK_PACKAGE_DESCRIPTION "tovikRAG hands documents to rag, the local command-line tool that
keeps a document corpus, and asks the corpus questions. Each tab is a
workspace with its own question, answer and log; the cited PDF pages are
shown beside the answer, and scanned pages are recognized on this computer.
Questions can be saved and searched later in plain English or Chinese.
The reference rag is included.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TOVIK_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Recognition data for English and Traditional Chinese, the faces Chinese is drawn in,
# the symbols of the interface, and Qt's SVG support for the icon.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "tesseract-ocr-eng, tesseract-ocr-chi-tra, fonts-noto-cjk, adwaita-icon-theme, libqt6svg6")
# WebP and TIFF pictures for rag ingest; native Wayland windows; the desktop's light or dark
# colours on GTK desktops (GNOME, Xfce), where Qt otherwise draws its own light palette.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, qt6-wayland, qt6-gtk-platformtheme")
include(CPack)
