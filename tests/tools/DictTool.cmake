# vantrel-dict's tests run the built tool.
vantrel_add_test(tools_dict_test DictToolTest.cpp ToolProcess.cpp)
target_link_libraries(tools_dict_test PRIVATE nlohmann_json::nlohmann_json)
add_dependencies(tools_dict_test vantrel-dict)
