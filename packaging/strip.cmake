# Run by CPack on the files staged for the package: strips the program as Debian's own tools do,
# the symbols and debugging information and also the compiler's notes that no one reads.
execute_process(
  COMMAND ${CPACK_QUIBBLIX_STRIP} --remove-section=.comment --remove-section=.note
          ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_QUIBBLIX_PROGRAM}
  COMMAND_ERROR_IS_FATAL ANY)
