# SPDX-License-Identifier: Apache-2.0
# Run by CPack between installing into its staging folder and making the
# package: removes the .comment and .note sections from the programs, as
# Debian's own packaging tools do (CPack's strip keeps them).
find_program(KW_STRIP NAMES strip REQUIRED)
file(GLOB_RECURSE kw_programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS kw_programs)
  execute_process(COMMAND ${KW_STRIP} --remove-section=.comment --remove-section=.note ${program}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
