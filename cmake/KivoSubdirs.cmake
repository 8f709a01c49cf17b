# kivo_add_subdirectories(dir...): adds each folder that has a CMakeLists.txt,
# so parts of the tree can grow independently.
function(kivo_add_subdirectories)
    foreach(dir IN LISTS ARGN)
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
            add_subdirectory(${dir})
        endif()
    endforeach()
endfunction()
