# `make uninstall`: removes every file that the install manifest MANIFEST lists (below DESTDIR, as
# the install was), then the directories of Tavrin's own data tree (share/tavrin) that this leaves
# empty. Files that others put there and directories shared with other programs (bin,
# share/applications, ...) stay.
#   DESTDIR=... cmake -DMANIFEST=build/install_manifest.txt -P cmake/Uninstall.cmake

if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} is written by make install.")
endif()

# Removes the directories from the one holding `path` up to Tavrin's data directory while they are
# empty; does nothing for a path outside that directory.
function(remove_empty_data_dirs path)
  string(FIND "${path}" "/share/tavrin/" at REVERSE)
  if(at LESS 0)
    return()
  endif()
  math(EXPR rootLength "${at} + 13")
  get_filename_component(dir "${path}" DIRECTORY)
  string(LENGTH "${dir}" length)
  while(length GREATER_EQUAL rootLength AND IS_DIRECTORY "${dir}" AND NOT IS_SYMLINK "${dir}")
    file(GLOB left LIST_DIRECTORIES true "${dir}/*" "${dir}/.*")
    if(left)
      break()
    endif()
    file(REMOVE_RECURSE "${dir}")
    message(STATUS "Removed ${dir}/")
    get_filename_component(dir "${dir}" DIRECTORY)
    string(LENGTH "${dir}" length)
  endwhile()
endfunction()

file(STRINGS "${MANIFEST}" installed)
foreach(listed IN LISTS installed)
  set(path "$ENV{DESTDIR}${listed}")
  if(IS_SYMLINK "${path}" OR (EXISTS "${path}" AND NOT IS_DIRECTORY "${path}"))
    file(REMOVE "${path}")
    message(STATUS "Removed ${path}")
  endif()
  remove_empty_data_dirs("${path}")
endforeach()
