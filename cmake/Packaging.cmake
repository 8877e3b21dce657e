# `make package`: a Debian package, reminders-widget_<version>_<arch>.deb, of what `cmake --install` installs.
# Its Depends are the shared libraries' packages (dpkg-shlibdeps) and the fonts the widget draws with: Inter
# (Latin, Greek, Cyrillic), DejaVu (also Arabic and Hebrew), Lohit (Devanagari), WenQuanYi Micro Hei (Chinese,
# Japanese, Korean) and Font Awesome (symbols).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME reminders-widget)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Corvantis)
set(CPACK_PACKAGE_CONTACT "Corvantis <reminders-widget@corvantis.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reminder lists and next reminders in a desktop widget")
set(CPACK_PACKAGE_DESCRIPTION
    "Reminders Widget shows the reminders shared with this computer in a small
window on the desktop: the counters of the lists and the reminders due next.
The reminders-widget command draws the widget to PNG, SVG or PDF files and
answers a widget host's requests; a user service keeps a picture of it current.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://corvantis.org/reminders-widget)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-inter, fonts-font-awesome, fonts-dejavu-core, fonts-lohit-deva, fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji, fonts-droid-fallback")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
# Files in /usr are owned by root whoever builds the package.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Only what the programs need: no test, benchmark or fuzzing target installs anything.
set(CPACK_SOURCE_IGNORE_FILES "/build.*/" "/\\\\.git/")
include(CPack)
