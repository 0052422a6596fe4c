# Run by CPack on the staged files of the Debian package, before it is packed: the program stripped as
# Debian strips it, the copyright file and the changelog that Debian asks of every package, and the
# manual pages compressed, as Debian keeps them.

set(TAVRIN_USR ${CPACK_TEMPORARY_DIRECTORY}/usr)
set(TAVRIN_DOC ${TAVRIN_USR}/share/doc/tavrin)
set(TAVRIN_FILE_MODE OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

function(tavrin_run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN}: ${status}")
  endif()
endfunction()

# gzip -9n: the best compression and no name or time stamp inside, so a rebuild gives the same bytes.
function(tavrin_gzip source target)
  tavrin_run(sh -c "gzip -9nc \"$0\" >\"$1\"" ${source} ${target})
  file(CHMOD ${target} PERMISSIONS ${TAVRIN_FILE_MODE})
endfunction()

tavrin_run(strip --remove-section=.comment --remove-section=.note ${TAVRIN_USR}/bin/tavrin)

file(MAKE_DIRECTORY ${TAVRIN_DOC})
file(COPY ${CPACK_TAVRIN_DEBIAN_DIR}/copyright DESTINATION ${TAVRIN_DOC} FILE_PERMISSIONS ${TAVRIN_FILE_MODE})
tavrin_gzip(${CPACK_TAVRIN_DEBIAN_DIR}/changelog ${TAVRIN_DOC}/changelog.gz)

file(GLOB_RECURSE TAVRIN_MANPAGES ${TAVRIN_USR}/share/man/*.[1-9])
foreach(page ${TAVRIN_MANPAGES})
  tavrin_gzip(${page} ${page}.gz)
  file(REMOVE ${page})
endforeach()
