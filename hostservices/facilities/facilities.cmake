# Editor facilities the plug-in's windows and dialogs call: text measuring and eliding, XML files,
# random codes, media classification, auto-sync switches, projects and their cloud resources.
set(KSHOST_FACILITIES_DIR ${CMAKE_CURRENT_LIST_DIR})
target_sources(KSHostServices PRIVATE
    ${KSHOST_FACILITIES_DIR}/KSAutoSyncHelper.cpp
    ${KSHOST_FACILITIES_DIR}/KSDomDocument.cpp
    ${KSHOST_FACILITIES_DIR}/KSProjectManager.cpp
    ${KSHOST_FACILITIES_DIR}/KSStringUtils.cpp
    ${KSHOST_FACILITIES_DIR}/KSupportedFilter.cpp
    ${KSHOST_HEADERS_DIR}/IKSAutoSyncHelper.h
    ${KSHOST_HEADERS_DIR}/KSDomDocument.h
    ${KSHOST_HEADERS_DIR}/KSObserverConnector.h
    ${KSHOST_HEADERS_DIR}/KSStringUtils.h
    ${KSHOST_HEADERS_DIR}/KSupportedFilter.h)
# KSDomDocument.h is a QDomDocument: users of the library see QtXml.
target_link_libraries(KSHostServices PUBLIC Qt5::Xml)
