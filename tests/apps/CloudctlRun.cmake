# Helpers of the cloudctl scripts: run it once, check the exit code and what it printed.
# The scripts get CLOUDCTL (the program) and ROOT (a folder of their own, made fresh here).

if(NOT CLOUDCTL OR NOT ROOT)
    message(FATAL_ERROR "CLOUDCTL and ROOT must be given")
endif()
file(REMOVE_RECURSE "${ROOT}")
file(MAKE_DIRECTORY "${ROOT}")

# cloudctl_expect(<exit code> <stdout regex> <stderr regex> ARGS <arguments...> [PREFIX <command...>])
# An empty regex checks nothing. The output of the last run is left in CLOUDCTL_OUT / CLOUDCTL_ERR.
function(cloudctl_expect code out_regex err_regex)
    cmake_parse_arguments(RUN "" "" "ARGS;PREFIX" ${ARGN})
    execute_process(COMMAND ${RUN_PREFIX} "${CLOUDCTL}" --root "${ROOT}/cloudctl" ${RUN_ARGS}
        RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
    set(what "cloudctl ${RUN_ARGS}")
    if(NOT "${result}" STREQUAL "${code}")
        message(FATAL_ERROR "${what}: exit ${result}, expected ${code}\nstdout:\n${out}\nstderr:\n${err}")
    endif()
    if(NOT "${out_regex}" STREQUAL "" AND NOT out MATCHES "${out_regex}")
        message(FATAL_ERROR "${what}: stdout does not match \"${out_regex}\":\n${out}\nstderr:\n${err}")
    endif()
    if(NOT "${err_regex}" STREQUAL "" AND NOT err MATCHES "${err_regex}")
        message(FATAL_ERROR "${what}: stderr does not match \"${err_regex}\":\n${err}")
    endif()
    set(CLOUDCTL_OUT "${out}" PARENT_SCOPE)
    set(CLOUDCTL_ERR "${err}" PARENT_SCOPE)
endfunction()
