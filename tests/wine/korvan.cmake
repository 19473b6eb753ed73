# The intro itself under Wine lives in its own folder.
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/korvan ${CMAKE_CURRENT_BINARY_DIR}/korvan)
