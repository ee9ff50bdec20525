# An upload interrupted halfway is kept, and "resume" in a new process finishes it with the same content.
include("${CMAKE_CURRENT_LIST_DIR}/CloudctlRun.cmake")
if(NOT TIMEOUT_PROGRAM)
    message(FATAL_ERROR "TIMEOUT_PROGRAM must be given")
endif()

# 4 MiB of varied bytes, so a transfer that skipped or repeated a part would not hash the same.
set(chunk "")
foreach(i RANGE 255)
    string(SHA256 digest "cloudctl ${i}")
    string(APPEND chunk "${digest}")
endforeach()
foreach(i RANGE 7)
    string(APPEND chunk "${chunk}")
endforeach()
file(WRITE "${ROOT}/resume.bin" "${chunk}")
file(SIZE "${ROOT}/resume.bin" size)
file(SHA256 "${ROOT}/resume.bin" sent)

# At 512 KiB/s the upload takes 8 s: SIGINT after 5 s finds it halfway (or, on a loaded machine,
# still starting: it is kept either way). --foreground: without it timeout signals the child and then
# its own process group, and that second SIGINT is the user's "end at once".
cloudctl_expect(130 "" "resume\\.bin.*interrupted.*cloudctl resume"
    PREFIX "${TIMEOUT_PROGRAM}" --foreground --preserve-status -s INT 5
    ARGS --limit-rate 512K upload media "${ROOT}/resume.bin" --folder /Resume)
# Only listed: the upload stays where the interruption left it.
cloudctl_expect(0 "^uploads \\(1\\)\n.*up +media +interrupted +(-|[0-9]+% of 4\\.0 MiB) +resume\\.bin" ""
    ARGS tasks)
cloudctl_expect(0 "finished  resume\\.bin  [0-9a-f]+\n1 finished, 0 failed" "resume\\.bin.*100%.*uploaded" ARGS resume)
string(REGEX MATCH "finished  resume\\.bin  ([0-9a-f]+)" found "${CLOUDCTL_OUT}")
set(id "${CMAKE_MATCH_1}")
cloudctl_expect(0 "nothing to resume" "" ARGS resume)
cloudctl_expect(0 "${id} +4\\.0 MiB  /Cutlane/My Cloud Media/Resume/resume\\.bin" "" ARGS ls root --tree)

cloudctl_expect(0 "${ROOT}/back/resume\\.bin" "" ARGS download media ${id} "${ROOT}/back/")
file(SHA256 "${ROOT}/back/resume.bin" back)
if(NOT back STREQUAL sent)
    message(FATAL_ERROR "the resumed upload came back different: ${back}, sent ${sent}")
endif()

# Interrupted again, then a session that restarts the upload at full speed and quits once its own
# small upload is done: the upload may end while that session goes away, unheard. The next "resume"
# learns how it ended instead of storing the file a second time.
file(COPY_FILE "${ROOT}/resume.bin" "${ROOT}/again.bin")
cloudctl_expect(130 "" "again\\.bin.*interrupted"
    PREFIX "${TIMEOUT_PROGRAM}" --foreground --preserve-status -s INT 3
    ARGS --limit-rate 512K upload media "${ROOT}/again.bin" --folder /Again)
file(WRITE "${ROOT}/tiny.txt" "tiny")
cloudctl_expect(0 "" "" ARGS upload media "${ROOT}/tiny.txt")
cloudctl_expect(0 "" "" ARGS resume)
cloudctl_expect(0 "" "" ARGS ls root --tree)
string(REGEX MATCHALL "/Cutlane/My Cloud Media/Again/[^\n]*" copies "${CLOUDCTL_OUT}")
if(NOT copies STREQUAL "/Cutlane/My Cloud Media/Again/again.bin")
    message(FATAL_ERROR "expected one cloud copy of again.bin, found: ${copies}")
endif()
