# The real program with its window module, showing the error dialog offscreen.
vantrel_add_test(e2e_error_dialog_test ErrorDialogRunTest.cpp ChildProcess.cpp)
target_link_libraries(e2e_error_dialog_test PRIVATE vantrel_pefixture vantrel_protocol)
add_dependencies(e2e_error_dialog_test vantrel vantrel_ui vantrel_translations)
