# The command line without a transfer to wait for: help, usage errors and requests the cloud refuses.
include("${CMAKE_CURRENT_LIST_DIR}/CloudctlRun.cmake")

# Without any display variable the program picks the offscreen platform itself instead of aborting.
cloudctl_expect(0 "upload project\\|template\\|media\\|video PATH.*download project\\|template\\|media\\|video FILE_ID DEST.*resume.*demo.*--limit-rate" ""
    PREFIX "${CMAKE_COMMAND}" -E env --unset=QT_QPA_PLATFORM --unset=DISPLAY --unset=WAYLAND_DISPLAY
    ARGS --help)

# Usage errors answer 2 before anything is signed in.
cloudctl_expect(2 "" "unknown command \"frobnicate\"" ARGS frobnicate)
cloudctl_expect(2 "" "no command given" ARGS)
cloudctl_expect(2 "" "unknown kind \"sound\"" ARGS upload sound "${CMAKE_CURRENT_LIST_FILE}")
cloudctl_expect(2 "" "a template is a folder" ARGS upload template "${CMAKE_CURRENT_LIST_FILE}")
cloudctl_expect(2 "" "--folder is for media uploads only" ARGS upload video "${CMAKE_CURRENT_LIST_FILE}" --folder x)
cloudctl_expect(2 "" "wrong number of arguments for download" ARGS download media only-an-id)
cloudctl_expect(2 "" "--user is for --server only" ARGS status --user me)
cloudctl_expect(2 "" "--server needs --user NAME" ARGS status --server https://dav.example.com/files/)
cloudctl_expect(2 "" "without a user or password" ARGS status --server https://me:pw@dav.example.com/ --user me)
cloudctl_expect(1 "" "no such file or folder" ARGS upload media "${ROOT}/missing.mp4")

# Requests the drive refuses fail with its reason, and nothing is left behind as done.
cloudctl_expect(1 "" "download of nothing.mp4 failed: no such cloud item \\(code 404001\\)"
    ARGS download media NO_SUCH_ID "${ROOT}/nothing.mp4")
if(EXISTS "${ROOT}/nothing.mp4")
    message(FATAL_ERROR "a failed download left ${ROOT}/nothing.mp4")
endif()
cloudctl_expect(1 "" "cannot rename NO_SUCH_ID: no such cloud item \\(code 404001\\)" ARGS rename NO_SUCH_ID other)
cloudctl_expect(1 "" "cannot share NO_SUCH_ID: no such cloud item" ARGS share NO_SUCH_ID)
cloudctl_expect(1 "" "cannot move NO_SUCH_ID to the recycle bin" ARGS recycle NO_SUCH_ID)
cloudctl_expect(1 "" "cannot list NO_SUCH_ID: no such cloud item" ARGS ls NO_SUCH_ID)
cloudctl_expect(0 "\ndownloads \\(1\\)\n.*down +media +(waiting|failed) .* nothing.mp4" "" ARGS tasks)

# Folders: made, renamed, listed, recycled; a name the cloud refuses is an error.
cloudctl_expect(0 "^[0-9a-f]+\n$" "" ARGS mkdir root "Trips/2024")
string(STRIP "${CLOUDCTL_OUT}" year)
cloudctl_expect(0 "renamed ${year} to 2025" "" ARGS rename ${year} 2025)
cloudctl_expect(0 "^[0-9a-f]+\n$" "" ARGS mkdir root Trips)
string(STRIP "${CLOUDCTL_OUT}" trips)
cloudctl_expect(0 "^${year}  folder +-  2025/\n$" "" ARGS ls ${trips})
cloudctl_expect(1 "" "cannot rename ${year}: the name is not valid in the cloud \\(code 400003\\)" ARGS rename ${year} "a/b")
cloudctl_expect(0 "moved ${year} to the recycle bin" "" ARGS recycle ${year})
cloudctl_expect(0 "^$" "" ARGS ls ${trips})
cloudctl_expect(0 "deleted ${trips}" "" ARGS delete ${trips})
cloudctl_expect(1 "" "cannot list ${trips}: no such cloud item" ARGS ls ${trips})
