# Each folder of the house is a library that sees only its own folder's headers and those of the
# libraries it links to: it gets an include view in the build tree that holds links to just its
# folder's headers, so a lower folder cannot include a higher one.

# corvela_folder_view(TARGET FOLDER): gives TARGET the include view of FOLDER's headers.
function(corvela_folder_view name folder)
    set(view ${CMAKE_BINARY_DIR}/include-views/${name})
    file(REMOVE_RECURSE ${view})
    file(MAKE_DIRECTORY ${view}/${folder})
    file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.hpp)
    foreach(header ${headers})
        get_filename_component(file ${header} NAME)
        file(CREATE_LINK ${header} ${view}/${folder}/${file} SYMBOLIC COPY_ON_ERROR)
    endforeach()
    target_include_directories(${name} PUBLIC ${view})
endfunction()

# corvela_folder_library(NAME FOLDER SOURCES... [PUBLIC libs...] [PRIVATE libs...]): a static
# library of FOLDER's sources with FOLDER's include view.
function(corvela_folder_library name folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    list(TRANSFORM ARG_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/${folder}/)
    add_library(${name} STATIC ${ARG_SOURCES})
    corvela_folder_view(${name} ${folder})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()
