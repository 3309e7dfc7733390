# mkmdb, our writer of Access files, runs at build time, so a cross build needs one for the build
# machine. By default it is built from this tree by a native configure of its own inside the build folder
# (with the engine's libraries it links, whatever they are by then), so that the databases it writes
# follow mkmdb's sources. CALVENOR_HOST_MKMDB names a ready one instead, for a machine without the
# Linux edition's build dependencies.
set(CALVENOR_HOST_MKMDB "" CACHE FILEPATH "mkmdb for the build machine; empty: build it from this tree")

if(CALVENOR_HOST_MKMDB)
    set(CALVENOR_MKMDB_PROGRAM ${CALVENOR_HOST_MKMDB})
    set(calvenor_mkmdb_target "")
else()
    include(ExternalProject)
    set(host_tools ${CMAKE_BINARY_DIR}/host-tools)
    set(CALVENOR_MKMDB_PROGRAM ${host_tools}/build/tools/mkmdb/mkmdb)
    # No toolchain file is passed on: the compiler is the build machine's. The same build type as the
    # Linux edition, whose flags are known to compile mkmdb cleanly.
    ExternalProject_Add(host_mkmdb
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        PREFIX ${host_tools}
        BINARY_DIR ${host_tools}/build
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
        BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target mkmdb
        # The native build decides itself whether mkmdb is out of date; only a new mkmdb rewrites the
        # databases.
        BUILD_ALWAYS TRUE
        BUILD_BYPRODUCTS ${CALVENOR_MKMDB_PROGRAM}
        INSTALL_COMMAND "")
    set(calvenor_mkmdb_target host_mkmdb)
endif()

# Writes DATABASE from the mkmdb DESCRIPTION, again whenever the description or mkmdb changes.
function(calvenor_write_database database description)
    get_filename_component(folder ${database} DIRECTORY)
    add_custom_command(
        OUTPUT ${database}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${CALVENOR_MKMDB_PROGRAM} --force ${description} ${database}
        DEPENDS ${CALVENOR_MKMDB_PROGRAM} ${calvenor_mkmdb_target} ${description}
        COMMENT "Writing ${database} with mkmdb"
        VERBATIM)
endfunction()
