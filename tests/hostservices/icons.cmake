kscd_add_test(tst_hosticons SOURCES tst_hosticons.cpp LIBRARIES KSHostServices)
# The test uses no symbol of the library, only the resources it registers when loaded; a linker that
# drops unused libraries (--as-needed, Debian's default) would leave them out.
if(UNIX AND NOT APPLE)
    target_link_options(tst_hosticons PRIVATE LINKER:--no-as-needed)
endif()
