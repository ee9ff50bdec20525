# The host widget kit and its two skins (style sheets, colour table and glyphs in skins/).
set(KSHOST_WIDGETS_DIR ${CMAKE_CURRENT_LIST_DIR})
qt5_add_resources(KSHOST_SKIN_RESOURCES ${KSHOST_WIDGETS_DIR}/skins/skins.qrc)
target_sources(KSHostServices PRIVATE
    ${KSHOST_WIDGETS_DIR}/KOldMessageDialog.cpp
    ${KSHOST_WIDGETS_DIR}/KSControls.cpp
    ${KSHOST_WIDGETS_DIR}/KSFramelessDialog.cpp
    ${KSHOST_WIDGETS_DIR}/KSSkinManager.cpp
    ${KSHOST_WIDGETS_DIR}/KSToast.cpp
    ${KSHOST_WIDGETS_DIR}/KSWidget.cpp
    ${KSHOST_SKIN_RESOURCES}
    # Listed for moc.
    ${KSHOST_HEADERS_DIR}/KSSkin.h)
