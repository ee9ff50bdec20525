# The transfer center window, its tabs, toolbar and task pages.
target_sources(KSCloudDisk PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/KSTransferCenterDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KSTransferCenterPanel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KSTransferCenterTabWidget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KSTransferCenterToolbar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KSTransferCenterTaskWidget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KSTransferCenterListWidget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KSTransferCenterListCellWidget.cpp)
target_include_directories(KSCloudDisk PUBLIC $<BUILD_INTERFACE:${CMAKE_CURRENT_LIST_DIR}>)
