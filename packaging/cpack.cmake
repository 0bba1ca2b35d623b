# SPDX-License-Identifier: Apache-2.0
# The Debian package of both programs: `cpack -G DEB` in the build folder
# (scripts/check_package.sh builds it and runs lintian on it). Included from
# the root CMakeLists.txt, so that CPackConfig.cmake lands in the build root.

set(CPACK_PACKAGE_NAME "kwrecover")
set(CPACK_PACKAGE_VENDOR "The kwrecover authors")
set(CPACK_PACKAGE_CONTACT "Kravelin Word Recovery maintainers <kwrecover@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Recovers text and pictures from damaged Word documents")
# The long description as the control file shows it: lines under 80
# characters (CPack indents each by one space), an empty line between
# paragraphs, no line that starts with a dot; CPack puts the summary first.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A five-step wizard (kwrecover-gui) and a command line (kwrecover)
that get back what they can from damaged Microsoft Word files (Word 97-2003
documents and .docx packages):
 - Quick Recovery reads the running text from its usual place;
 - Salvage Recovery digs plain text out of a heavily damaged file;
 - Image Recovery finds the JPEG and PNG pictures in any file;
 - Deep Recovery reads the document through its own structure.

Every place that was skipped, repaired or cut goes into a damage report.
The document itself is only ever read, never changed.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A Debian revision makes the package non-native: its changelog is
# changelog.Debian.gz, made from CHANGELOG.md (packaging/CMakeLists.txt).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.com/kravelin/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The browser page, when a built one is given (scripts/check_package.sh
# builds it with cmake --preset web), goes in with kwrecover-web, which opens
# it with sensible-browser (packaging/CMakeLists.txt).
set(KW_WEB_PAGE "" CACHE FILEPATH "The built browser page (build-web/web/kwrecover.html) to install")
if(KW_WEB_PAGE)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "sensible-utils")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# After the stripping, the sections a Debian package leaves out too.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip_notes.cmake)
include(CPack)
