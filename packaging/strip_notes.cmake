# SPDX-License-Identifier: Apache-2.0
# Run by CPack between installing into its staging folder and making the
# package: removes the .comment and .note sections from the programs, as
# Debian's own packaging tools do (CPack's strip keeps them). Scripts
# (kwrecover-web) are left as they are.
find_program(KW_STRIP NAMES strip REQUIRED)
file(GLOB_RECURSE kw_programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS kw_programs)
  file(READ ${program} kw_magic LIMIT 4 HEX)
  if(NOT kw_magic STREQUAL "7f454c46")
    continue()
  endif()
  execute_process(COMMAND ${KW_STRIP} --remove-section=.comment --remove-section=.note ${program}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
