# Debian package with CPack: `cpack -G DEB` in a Release build folder gives
# marklog_<version>-<revision>_<arch>.deb. The library dependencies are worked out from the
# binary by dpkg-shlibdeps (packages dpkg-dev and file); what the binary loads as a plugin is
# named by hand.

set(CPACK_PACKAGE_NAME marklog)
set(CPACK_PACKAGE_VENDOR Trevanta)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${MARKLOG_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "record bib numbers at running events")
set(CPACK_PACKAGE_DESCRIPTION [=[
Marklog records the bib numbers of runners passing the finish line or a lap
point. The operator types each bib into one large entry box, or a serial
barcode scanner sends it, and every passage becomes one line of a plain-text
record file (.stn) that is written to the disk at once.

The records show in an editable grid, print as a numbered table and export as
a copy of the file. A start list loaded from a CSV file names the runners in
the grid, on the scan display and in the lap counter, and the results export
as CSV with position, bib, time, name, category and lap. A lap counter ranks
the bibs by laps since a reset and shows the laps remaining to a target; the
lap board serves the lap list as a web page to phones and TVs on the local
network, and a scan display shows the last bib in digits as large as its
window allows.]=])
# The hardening Debian builds its own packages with (dpkg-buildflags): checked string and memory
# functions in optimised builds, and a relocation table that is read-only once loaded.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    foreach(target marklog_core marklog_gui marklog)
        # Undefined first: some compilers already define another level.
        target_compile_options(${target} PRIVATE "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    endforeach()
endif()
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    target_link_options(marklog PRIVATE LINKER:-z,relro LINKER:-z,now)
endif()

set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
if(NOT CPACK_GENERATOR)
    set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MARKLOG_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${MARKLOG_DEBIAN_REVISION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The X11/Wayland platform plugins are loaded at run time, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# xdg-open shows the user guide and the wiki in the browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The menu, MIME and icon caches are refreshed by the dpkg triggers of shared-mime-info,
# desktop-file-utils and the icon theme, so the package needs no maintainer scripts.

include(CPack)
