# The widget kit and its skins.
kscd_add_test(tst_hostwidgets_skin SOURCES tst_hostwidgets_skin.cpp LIBRARIES KSHostServices)
# The colour table documented beside the skins is what the code's tables are checked against.
target_compile_definitions(tst_hostwidgets_skin PRIVATE KSCD_SKIN_DIR="${PROJECT_SOURCE_DIR}/hostservices/widgets/skins")
kscd_add_test(tst_hostwidgets_dialogs SOURCES tst_hostwidgets_dialogs.cpp LIBRARIES KSHostServices)
