# The man page and the Debian package documentation (copyright, changelog), compressed the way
# Debian wants them: gzip -9 without a name or time stamp, so the package builds reproducibly.

set(MARKLOG_MAINTAINER "Trevanta <marklog@example.org>")
set(MARKLOG_RELEASE_DATE "Sun, 06 Dec 2026 12:00:00 +0000") # RFC 5322, of the newest changelog entry
set(MARKLOG_DEBIAN_REVISION 1)
set(MARKLOG_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/marklog)
set(docs ${PROJECT_BINARY_DIR}/package-docs)

file(CONFIGURE OUTPUT ${docs}/copyright CONTENT [=[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Marklog
Upstream-Contact: @MARKLOG_MAINTAINER@

Files: *
Copyright: 2026 Trevanta
License: LicenseRef-proprietary

License: LicenseRef-proprietary
 All rights reserved.
]=] @ONLY)

file(CONFIGURE OUTPUT ${docs}/changelog.Debian CONTENT [=[
marklog (@PROJECT_VERSION@-@MARKLOG_DEBIAN_REVISION@) bookworm; urgency=medium

  * Release @PROJECT_VERSION@: desktop menu entry, record file type, icons,
    AppStream metadata, man page and user guide.

 -- @MARKLOG_MAINTAINER@  @MARKLOG_RELEASE_DATE@
]=] @ONLY)

find_program(MARKLOG_GZIP gzip)
if(MARKLOG_GZIP)
    set(compressed)
    foreach(source ${PROJECT_SOURCE_DIR}/data/marklog.1 ${docs}/changelog.Debian)
        get_filename_component(name ${source} NAME)
        add_custom_command(OUTPUT ${docs}/${name}.gz
                           COMMAND ${MARKLOG_GZIP} -9 -n -c ${source} > ${docs}/${name}.gz
                           DEPENDS ${source}
                           COMMENT "Compressing ${name}")
        list(APPEND compressed ${docs}/${name}.gz)
    endforeach()
    add_custom_target(marklog_package_docs ALL DEPENDS ${compressed})
    install(FILES ${docs}/marklog.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${docs}/changelog.Debian.gz DESTINATION ${MARKLOG_DOCDIR})
else()
    install(FILES ${PROJECT_SOURCE_DIR}/data/marklog.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${docs}/copyright DESTINATION ${MARKLOG_DOCDIR})
