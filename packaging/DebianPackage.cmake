# The Debian package, made by CPack from what "cmake --install" installs:
# "cmake --build build --target package", or "cpack -G DEB" in the build directory,
# writes relaxon_<version>_<arch>.deb there. It is not part of all. The program
# records where its user guide lies, so the build must be configured with
# -DCMAKE_INSTALL_PREFIX=/usr, the prefix of the package; cpack refuses otherwise.
include(InstallGzipped)

set(RELAXON_PACKAGE_MAINTAINER "The Relaxon contributors <relaxon@example.org>" CACHE STRING
    "Maintainer field of the Debian package: name <e-mail address>")

set(debian_dir ${CMAKE_CURRENT_LIST_DIR}/debian)
install(FILES ${debian_dir}/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/relaxon)
# The package is made by the project itself (a native package), so its changelog
# is changelog.gz, not changelog.Debian.gz.
install_gzipped(${debian_dir}/changelog ${CMAKE_INSTALL_DATAROOTDIR}/doc/relaxon)
file(STRINGS ${debian_dir}/changelog changelog_heading LIMIT_COUNT 1)
string(REGEX REPLACE "^relaxon \\(([^)]*)\\).*" "\\1" RELAXON_CHANGELOG_VERSION "${changelog_heading}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME relaxon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${RELAXON_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "teaching simulator of spin-echo MR images")
set(CPACK_PACKAGE_DESCRIPTION
"Relaxon shows students how the settings of an MR scanner decide which tissue
properties become visible in an image. A case holds the proton density, T1 and
T2 of every pixel of one slice of a head; choosing the echo time, the
repetition time, an inversion prepulse or a diffusion weighting shows at once
the spin-echo image a scanner would record. Recordings open side by side, and
the signal under the mouse shows in all of them.

Six cases are built in: two brain tumours, an acute infarct, a normal brain
with diffusion tensors, a finger-tapping functional series and a T1-weighted
image. The package also holds relaxon-tool, which inspects, converts and
simulates case files on the command line, and a user guide with classroom
exercises.")
# Libraries the binaries link come from dpkg-shlibdeps. matio (MAT-files) and
# xdg-open (the About box's link to the guide) are only looked for when needed,
# and Qt runs on Wayland desktops through XWayland without its Wayland plugin.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libmatio11, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
# Debian ships stripped binaries with files and directories of fixed modes,
# whatever the umask of the person who packs them.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

configure_file(${CMAKE_CURRENT_LIST_DIR}/PackageChecks.cmake.in PackageChecks.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/PackageChecks.cmake)
include(CPack)
