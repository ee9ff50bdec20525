# The share, remove and load dialogs.
set_property(TARGET KSCloudDisk PROPERTY AUTOUIC ON)
target_sources(KSCloudDisk PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/KSCloudDiskShareWidget.ui
    ${CMAKE_CURRENT_LIST_DIR}/KSCloudDiskShareWidget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KSCloudDiskShareDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KSCloudDiskRemoveDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KSCloudDiskDownloadDialog.ui
    ${CMAKE_CURRENT_LIST_DIR}/KSCloudDiskDownloadDialog.cpp)
target_include_directories(KSCloudDisk PUBLIC $<BUILD_INTERFACE:${CMAKE_CURRENT_LIST_DIR}>)
