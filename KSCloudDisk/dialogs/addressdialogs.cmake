# The download-address dialog with its remembered-folder file, and the export-upload progress dialog.
target_sources(KSCloudDisk PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/KSCloudSpaceDownloadPathFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KSCloudSpaceSelectDownloadAddressDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../transfercenter/KExportUploadDlg.cpp)
target_include_directories(KSCloudDisk PUBLIC $<BUILD_INTERFACE:${CMAKE_CURRENT_LIST_DIR}>)
