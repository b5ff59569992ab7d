# `make package`: a Debian package of both programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parlivox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Parlivox developers <maintainers@parlivox.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rich-text editor that reads your documents aloud")
set(CPACK_PACKAGE_DESCRIPTION
  "Parlivox is a rich-text editor for RTF and plain text documents that reads\nthe whole document or the selection aloud through espeak-ng, with pause,\nresume and stop. It also opens Word, OpenDocument, EPUB, HTML and PDF\nfiles, and reads scanned pages and pictures through text recognition. Nuvafetch, its companion, checks for updates.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PARLIVOX_WEBSITE})
# Libraries the executables link come from dpkg-shlibdeps; the plug-ins and
# data that Qt and espeak-ng load at run time are declared by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Liberation fonts stand in for Arial, Times New Roman and Courier New,
# which the font list offers and new documents start in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qt6-qpa-plugins, libqt6svg6, espeak-ng-data, fonts-liberation2, libpoppler-qt6-3, libzip4, libexpat1, libopusenc0, tesseract-ocr-eng, tesseract-ocr-osd")
# Documents in Chinese, Japanese or Korean show boxes without a font for them;
# PDFs in those scripts need poppler's encoding data to give their text.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-dejavu-core, fonts-noto-cjk, poppler-data, hardinfo | gnome-system-monitor")
# Text recognition reads English and turns pages with the data above; the
# other languages of the voices are there to add.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
  "tesseract-ocr-deu, tesseract-ocr-fra, tesseract-ocr-spa, tesseract-ocr-ita, tesseract-ocr-por, tesseract-ocr-nld")
set(CPACK_STRIP_FILES ON)
include(CPack)
