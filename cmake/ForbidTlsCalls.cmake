# cmake -DOBJDUMP=objdump -DLIBRARY=lib.so -P ForbidTlsCalls.cmake: fails, removing the library so
# that the next build makes it again, when its code calls __tls_get_addr (i386: ___tls_get_addr).
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${LIBRARY} OUTPUT_VARIABLE code RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]*call[^\n]*__tls_get_addr[^\n]*" calls "${code}")
if(calls)
  list(LENGTH calls count)
  file(REMOVE ${LIBRARY})
  message(FATAL_ERROR "${LIBRARY} calls __tls_get_addr ${count} times in Windows-convention code; "
    "build its objects with -ftls-model=initial-exec")
endif()
