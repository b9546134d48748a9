# Builds one layer probe (-DBUILD_DIR, -DTARGET, -DHEADER) and passes only when
# the build fails and the compiler's message says it could not find HEADER.
# LC_ALL=C keeps the message in English whatever the contributor's language;
# GCC and Clang word it differently.
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
string(FIND "${output}" "${HEADER}: No such file or directory" gcc_refused)
string(FIND "${output}" "'${HEADER}' file not found" clang_refused)
if(result EQUAL 0)
    message(FATAL_ERROR "${TARGET} compiled: its library can see ${HEADER}\n${output}")
elseif(gcc_refused EQUAL -1 AND clang_refused EQUAL -1)
    message(FATAL_ERROR "${TARGET} failed for another reason than not finding ${HEADER}\n${output}")
endif()
message(STATUS "${TARGET}: ${HEADER} is out of its library's sight")
