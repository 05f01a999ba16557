# Run by cpack before it packs: strips every ELF file of the staged installation with the
# options Debian's own packages are stripped with.
if(NOT CPACK_BRUSHWRIGHT_STRIP)
  message(FATAL_ERROR "no strip program: the package would keep its symbols")
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(f IN LISTS staged)
  if(IS_SYMLINK "${f}")
    continue()
  endif()
  file(READ "${f}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND ${CPACK_BRUSHWRIGHT_STRIP} --remove-section=.comment
                            --remove-section=.note "${f}" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "strip failed on ${f}")
    endif()
  endif()
endforeach()
