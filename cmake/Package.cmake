# SPDX-License-Identifier: MIT
# The Debian package: `cpack` in a build tree writes brisquel_<version>_<arch>.deb
# holding what `cmake --install` installs. The libraries it links come from
# dpkg-shlibdeps (ICU, marisa, fcitx5's own); the rest are the packages the
# program uses at run time: fcitx5 with its GTK and Qt modules, and the
# spelling dictionaries of the six languages.
set(BRISQUEL_MAINTAINER "Brisquel maintainers <maintainers@brisquel.app>"
    CACHE STRING "The Debian package's Maintainer field")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisquel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${BRISQUEL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard-layout companion for fcitx5")
set(CPACK_PACKAGE_DESCRIPTION
    "Brisquel runs inside the fcitx5 input-method framework, for people who type\n\
in US English together with Russian, Ukrainian, Hebrew, Arabic or Greek: a\n\
layout-switch hotkey, per-application layouts, a layout indicator, correction\n\
of words typed in the wrong layout, a key that converts the last word by hand\n\
and learns it, and Control editing shortcuts.")
# The paths compiled into the program are the install prefix's, so the
# package is installed there too (through DESTDIR).
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://brisquel.app)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(brisquel_depends
    fcitx5 fcitx5-modules fcitx5-frontend-gtk3 fcitx5-frontend-qt5
    hunspell-en-us hunspell-ru hunspell-uk hunspell-he hunspell-ar hunspell-el)
list(JOIN brisquel_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fcitx5-frontend-gtk4, fcitx5-frontend-qt6, fcitx5-config-qt, im-config")

# /usr/share/doc/brisquel: the licence in Debian's machine-readable form and
# the changelog (a native package's, compressed as Debian ships it); the
# addon's AppStream entry, which software centres show with fcitx5's.
set(brisquel_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/brisquel)
set(brisquel_changelog ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${brisquel_changelog}
                   COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${brisquel_changelog}
                   DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(brisquel-changelog ALL DEPENDS ${brisquel_changelog})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${brisquel_changelog} DESTINATION ${brisquel_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/com.mebrun.velmonte.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The desktops' helpers that tell the addon the focused window's application
# where input methods see no program names; `brisquel setup` enables them.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/desktop/gnome-shell/brisquel@brisquel.app
        DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/desktop/kwin/brisquel DESTINATION ${CMAKE_INSTALL_DATADIR}/kwin/scripts)

include(CPack)
