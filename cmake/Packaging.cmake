# Installing the program (cmake --install) and the Debian package (cpack -G DEB): the program, its window
# plugin (installed by src/app), a desktop entry and the icon in their usual places. The package's
# dependencies come from dpkg-shlibdeps, which reads both, so they are whatever the built program and plugin
# really link, for the architecture they were built for, and the font.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/slabcal.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/slabcal.conf.example DESTINATION share/doc/slabcal)
install(FILES ${PROJECT_SOURCE_DIR}/src/resources/Icon128.png DESTINATION share/icons/hicolor/64x64/apps
        RENAME slabcal.png)
# The board: the service that starts it full-screen as the user slabcal (made by the package's postinst),
# the converter's settings, a udev rule example granting that user the converter, and the package's
# copyright and changelog.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/slabcal.service DESTINATION lib/systemd/system)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/iio.conf DESTINATION /etc/slabcal)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/99-slabcal.rules DESTINATION share/doc/slabcal/examples)
execute_process(COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog
                OUTPUT_FILE ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION share/doc/slabcal)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME slabcal)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "slabcal maintainers <slabcal@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The dialog's font is 宋体; on Linux the Chinese texts are drawn with WenQuanYi Micro Hei instead. A
# dependency, not a recommendation: without a Chinese font the certificate cannot be drawn at all and the
# dialog's texts are empty boxes. dpkg-shlibdeps' libraries are added to it.
# Qt's own translations give the boxes' Yes/No buttons in Chinese ("是"/"否").
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei, qt6-translations-l10n, passwd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
                                       ${PROJECT_SOURCE_DIR}/packaging/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION "The operator sets the gauge at fifteen known heights and records the AD \
converter's signal at each; slabcal fits six power-law segments and stores them in the gauge's parameter \
file, with a backup copy.")
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
endif()
set(CPACK_STRIP_FILES ON)
include(CPack)
