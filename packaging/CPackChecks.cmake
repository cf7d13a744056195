# Read by cpack before it packs: a Debian package from a build that would put
# its documentation anywhere but /usr/share/doc/PACKAGE is refused.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_TW_DOCDIR STREQUAL "share/doc/${CPACK_PACKAGE_NAME}")
    message(FATAL_ERROR "The Debian package wants its documentation in share/doc/${CPACK_PACKAGE_NAME}, "
                        "not ${CPACK_TW_DOCDIR}: configure with -DCMAKE_INSTALL_DOCDIR=share/doc/${CPACK_PACKAGE_NAME}, "
                        "as scripts/package.sh does")
endif()
