# Fails when a source folder includes a header of a layer above it. The layers,
# lowest first: numerics, the case data type, simulation, the case loader, views
# with dialogs, and the application shell on top; the tools stop below the views.
#   cmake -DSOURCE_DIR=<source> -P checklayers.cmake
cmake_minimum_required(VERSION 3.25)

# Per checked part: the include prefixes it may use, its own among them.
set(uses_numerics numerics)
set(uses_casedata ${uses_numerics} cases/casedata)
set(uses_simulation ${uses_casedata} simulation)
set(uses_cases ${uses_simulation} cases)
set(uses_views ${uses_cases} views dialogs)
set(uses_dialogs ${uses_views})
set(uses_tools ${uses_cases} tools)

set(glob_numerics numerics/*.h numerics/*.cpp)
set(glob_casedata cases/casedata.h cases/casedata.cpp)
set(glob_simulation simulation/*.h simulation/*.cpp)
set(glob_cases cases/*.h cases/*.cpp)
set(glob_views views/*.h views/*.cpp)
set(glob_dialogs dialogs/*.h dialogs/*.cpp)
set(glob_tools tools/*.h tools/*.cpp)

set(breaks "")
foreach(part numerics casedata simulation cases views dialogs tools)
    list(TRANSFORM glob_${part} PREPEND ${SOURCE_DIR}/ OUTPUT_VARIABLE patterns)
    file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${patterns})
    if(part STREQUAL "cases")
        # The case data type below the simulation has its own entry.
        list(FILTER sources EXCLUDE REGEX "^cases/casedata\\.")
    endif()
    foreach(name ${sources})
        file(STRINGS ${SOURCE_DIR}/${name} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]*/")
        foreach(line ${includes})
            string(REGEX REPLACE ".*\"([^\"]*)\".*" "\\1" header "${line}")
            set(permitted FALSE)
            foreach(prefix ${uses_${part}})
                if(header MATCHES "^${prefix}[/.]")
                    set(permitted TRUE)
                endif()
            endforeach()
            if(NOT permitted)
                string(APPEND breaks "  ${name} includes ${header}\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(breaks)
    message(FATAL_ERROR "Includes against the direction of the layers:\n${breaks}")
endif()
