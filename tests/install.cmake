# The installed game: both install layouts, the command line of the installed
# binary, the desktop entry, the AppStream file and the manual page through
# the validators this machine has (a missing one is reported as skipped),
# and a short headless start without sound from the relocated prefix. The
# script's exit status decides.
string(REPLACE ";" " " VM_ICON_SIZES_TEXT "${VM_ICON_SIZES}")
# The names metainfo-screenshots gives its pictures (data/CMakeLists.txt).
set(VM_SCREENSHOT_NAMES)
foreach(entry ${VM_METAINFO_SCREENSHOTS})
  string(REGEX REPLACE "^.*=" "" name ${entry})
  string(APPEND VM_SCREENSHOT_NAMES " ${name}")
endforeach()
add_test(NAME install.layout-command-line-and-validators
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install_check.sh)
set_tests_properties(install.layout-command-line-and-validators PROPERTIES
  TIMEOUT 300
  ENVIRONMENT_MODIFICATION
    "VM_CMAKE=set:${CMAKE_COMMAND};VM_SOURCE_DIR=set:${CMAKE_SOURCE_DIR};VM_BUILD_DIR=set:${CMAKE_BINARY_DIR};\
VM_GENERATOR=set:${CMAKE_GENERATOR};VM_PREFIX=set:${CMAKE_INSTALL_PREFIX};VM_BIN_DIR=set:${VM_INSTALL_BIN_DIR};\
VM_DATA_DIR=set:${VM_INSTALL_DATA_DIR};VM_SHARE_DIR=set:${CMAKE_INSTALL_DATADIR};VM_MAN_DIR=set:${CMAKE_INSTALL_MANDIR};\
VM_DOC_DIR=set:${CMAKE_INSTALL_DOCDIR};VM_APP_ID=set:${VM_APP_ID};VM_METAINFO_ID=set:${VM_METAINFO_ID};VM_VERSION=set:${PROJECT_VERSION};\
VM_ICON_SIZES=set:${VM_ICON_SIZES_TEXT};VM_SCREENSHOTS=set:${VM_SCREENSHOT_NAMES};VM_AUTOPLAY=set:$<TARGET_FILE:vellmoor-autoplay>")
