# Installed like other software: the manual pages and the bash completion
# (with `cmake --install` too), and the Debian package that `cpack -G DEB`
# makes of a Release build (scripts/package.sh, which also sets the flags
# Debian builds with).

set(TW_PACKAGE tunewise)
set(TW_MAINTAINER "Tunewise developers <maintainers@users.noreply.c-seed-eed95524.example>")

# The manual pages and the changelog, compressed as Debian keeps them: gzip
# -9n stores no name and no time, so the same text gives the same bytes.
find_program(TW_GZIP gzip REQUIRED)
file(MAKE_DIRECTORY ${TW_GENERATED}/man ${TW_GENERATED}/doc)
set(TW_MAN_PAGES)
foreach(source docs/man/tunewise.1 docs/man/tunewise-cli.1 packaging/changelog)
    get_filename_component(name ${source} NAME)
    if(name MATCHES "\\.1$")
        set(copy ${TW_GENERATED}/man/${name})
        list(APPEND TW_MAN_PAGES ${copy}.gz)
    else()
        set(copy ${TW_GENERATED}/doc/${name})
    endif()
    add_custom_command(OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/${source} ${copy}
        COMMAND ${TW_GZIP} -9nf ${copy}
        DEPENDS ${source}
        VERBATIM)
endforeach()

# The copyright file: ours, with the licence texts of the icon font compiled
# into the program, taken from the package the font comes from.
add_custom_command(OUTPUT ${TW_GENERATED}/doc/copyright
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/packaging/copyright.py
            ${CMAKE_CURRENT_SOURCE_DIR}/packaging/copyright ${TW_FONTAWESOME_COPYRIGHT}
            ${TW_GENERATED}/doc/copyright OFL-1.1 Expat
    DEPENDS packaging/copyright packaging/copyright.py scripts/debian_licence.py ${TW_FONTAWESOME_COPYRIGHT}
    VERBATIM)
add_custom_target(tunewise_docs ALL
    DEPENDS ${TW_MAN_PAGES} ${TW_GENERATED}/doc/changelog.gz ${TW_GENERATED}/doc/copyright)

install(FILES ${TW_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TW_GENERATED}/doc/copyright ${TW_GENERATED}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Where bash-completion looks for a command's completion when it is first
# completed.
install(FILES packaging/bash-completion/tunewise-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TW_PACKAGE})
set(CPACK_PACKAGE_VENDOR "Tunewise developers")
set(CPACK_PACKAGE_CONTACT ${TW_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "retune music to another concert pitch")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Tunewise retunes songs and videos to another concert pitch, such as
A4 = 432 Hz, without changing their length. Drop files or whole folder trees
into the queue, pick the pitch of A4, and the queue converts several files at
a time into mp3, m4a (AAC or Apple Lossless), Ogg Vorbis, Opus, wav or flac,
keeping tags, cover art and ReplayGain gains, and videos' pictures if asked
to.

Two pitch shifters are offered: time based (SoundTouch), as fast as a plain
transcode, and frequency based (Rubber Band), exact in pitch, which can keep
voices natural at large shifts by keeping their formants. The pitch a
recording is tuned to can be measured from the music.

tunewise-cli converts with the same engine without a window, for servers and
batch runs, and can share a library among several machines.]=])
if(TW_WEBSITE)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TW_WEBSITE})
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link, found by dpkg-shlibdeps; and what the
# window loads at run time, which no link names: the QML modules its scene
# imports, Qt's SVG image plugin for the score in its header, Qt SQL's
# SQLite driver, which keeps the queue, and Qt Multimedia's audio plugins
# (PulseAudio and ALSA), which the player plays through.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qml-module-qtqml, qml-module-qtquick2, qml-module-qtquick-window2, qml-module-qtquick-layouts, \
qml-module-qtquick-controls2, qml-module-qtquick-templates2, qml-module-qtgraphicaleffects, libqt5svg5, \
libqt5sql5-sqlite, libqt5multimedia5-plugins")
# Qt's own buttons and dialogs in the interface's languages; without them
# they are in English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qttranslations5-l10n)
# Debian's documentation folder is named after the package: a build for the
# package is configured with it (scripts/package.sh does), which the check
# below asks for.
set(CPACK_TW_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackChecks.cmake)
include(CPack)
