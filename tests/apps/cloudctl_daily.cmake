# cloudctl for daily use: listings leave unfinished transfers alone, hopeless tasks can be removed,
# and a file whose name is not UTF-8 makes the round trip.
include("${CMAKE_CURRENT_LIST_DIR}/CloudctlRun.cmake")
if(NOT TIMEOUT_PROGRAM OR NOT TQDRIVE)
    message(FATAL_ERROR "TIMEOUT_PROGRAM and TQDRIVE must be given")
endif()

# The drive's own view of the account's unfinished transfers, one line each.
function(drive_transfers out_var)
    execute_process(COMMAND "${TQDRIVE}" --root "${ROOT}/cloudctl/drive" account editor@example.com
        OUTPUT_VARIABLE token OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND "${TQDRIVE}" --root "${ROOT}/cloudctl/drive" --token "${token}" transfers
        OUTPUT_VARIABLE lines RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "tqdrive transfers failed: ${result}")
    endif()
    set(${out_var} "${lines}" PARENT_SCOPE)
endfunction()

# 2 MiB of varied bytes.
set(chunk "")
foreach(i RANGE 255)
    string(SHA256 digest "daily ${i}")
    string(APPEND chunk "${digest}")
endforeach()
foreach(i RANGE 6)
    string(APPEND chunk "${chunk}")
endforeach()
file(WRITE "${ROOT}/slow.bin" "${chunk}")

# Interrupted halfway, then only looked at: the listings restart nothing and print no transfer.
cloudctl_expect(130 "" "slow\\.bin.*interrupted"
    PREFIX "${TIMEOUT_PROGRAM}" --foreground --preserve-status -s INT 3
    ARGS --limit-rate 512K upload media "${ROOT}/slow.bin")
foreach(command status ls tasks)
    cloudctl_expect(0 "" "" ARGS ${command})
    if(CLOUDCTL_ERR MATCHES "slow\\.bin")
        message(FATAL_ERROR "cloudctl ${command} restarted the interrupted upload:\n${CLOUDCTL_ERR}")
    endif()
endforeach()
# The drive holds the upload paused (or not at all when the interruption came before its start).
drive_transfers(lines)
if(NOT lines STREQUAL "" AND NOT lines MATCHES "^upload +paused +none +[^\n]*\n$")
    message(FATAL_ERROR "the interrupted upload is not left paused in the drive:\n${lines}")
endif()

# cancel removes the task and its transfer in the drive.
if(NOT CLOUDCTL_OUT MATCHES "up +media +interrupted +(-|[0-9]+% of 2\\.0 MiB) +slow\\.bin")
    message(FATAL_ERROR "the interrupted upload is not listed as such:\n${CLOUDCTL_OUT}")
endif()
string(REGEX MATCH "([0-9a-f-]+)  up +media +[a-z]+ [^\n]*slow\\.bin" found "${CLOUDCTL_OUT}")
set(slow "${CMAKE_MATCH_1}")
cloudctl_expect(0 "cancelled ${slow}" "" ARGS cancel ${slow})
cloudctl_expect(0 "^uploads \\(0\\)" "" ARGS tasks)
drive_transfers(lines)
if(NOT lines STREQUAL "")
    message(FATAL_ERROR "cancel left a transfer in the drive:\n${lines}")
endif()
cloudctl_expect(1 "" "no such task: ${slow}" ARGS cancel ${slow})

# A download that can never succeed: a clear message, the reason in tasks, and clear --failed
# removes it for good.
cloudctl_expect(1 "" "download of nothing\\.mp4 failed: no such cloud item \\(code 404001\\)"
    ARGS download media NO_SUCH_ID "${ROOT}/nothing.mp4")
cloudctl_expect(0 "down +media +failed [^\n]*nothing\\.mp4\n +why: no such cloud item \\(code 404001\\)" ""
    ARGS tasks)
cloudctl_expect(0 "removed 0 finished task\\(s\\), 1 failed task\\(s\\)" "" ARGS clear --failed)
cloudctl_expect(0 "downloads \\(0\\)" "" ARGS tasks)
cloudctl_expect(2 "" "--done and --failed are for clear only" ARGS tasks --done)

# A name in Latin-1, not UTF-8: taken as the system encodes it, and the content comes back intact.
execute_process(COMMAND printf "caf\\351" OUTPUT_VARIABLE latin)
file(WRITE "${ROOT}/${latin}.bin" "${chunk}")
file(SHA256 "${ROOT}/${latin}.bin" sent)
cloudctl_expect(0 "^[0-9a-f]+ " "" ARGS upload media "${ROOT}/${latin}.bin")
string(REGEX MATCH "^[0-9a-f]+" id "${CLOUDCTL_OUT}")
cloudctl_expect(0 "" "" ARGS download media ${id} "${ROOT}/back.bin")
file(SHA256 "${ROOT}/back.bin" back)
if(NOT back STREQUAL sent)
    message(FATAL_ERROR "the file with a Latin-1 name came back different")
endif()
