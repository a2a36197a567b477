# The .def files name the network library's stdcall functions with their
# 32-bit decoration (NetInit@8: the argument bytes). x64 has one calling
# convention and no decoration, so the 64-bit build links with copies that
# have it removed; the ordinals stay those of the one committed file.
#   zv_arch_def(<committed .def> <variable for the path to link with>)
function(zv_arch_def source out_var)
    if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(${out_var} ${source} PARENT_SCOPE)
        return()
    endif()
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${source})
    set(out ${CMAKE_BINARY_DIR}/def/${rel})
    file(READ ${source} text)
    string(REGEX REPLACE "([A-Za-z_][A-Za-z0-9_]*)@[0-9]+" "\\1" text "${text}")
    # Written through configure_file so that an unchanged copy keeps its time
    # and nothing relinks.
    file(WRITE ${out}.new "${text}")
    configure_file(${out}.new ${out} COPYONLY)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    set(${out_var} ${out} PARENT_SCOPE)
endfunction()
