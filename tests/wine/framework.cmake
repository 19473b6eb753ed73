# The framework's Wine suite lives in its own folder.
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/framework ${CMAKE_CURRENT_BINARY_DIR}/framework)
