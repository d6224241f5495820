# Which folders each folder's sources may include from: a layer looks down only.
set(VORANDECK_LAYERS common package controls display settings app)
set(VORANDECK_LAYER_common "common")
set(VORANDECK_LAYER_package "common;package")
set(VORANDECK_LAYER_controls "common;controls")
set(VORANDECK_LAYER_display "common;package;display")
set(VORANDECK_LAYER_settings "common;package;controls;display;settings")
set(VORANDECK_LAYER_app "common;package;controls;display;settings;app")

set(layer_args)
foreach(layer ${VORANDECK_LAYERS})
    string(REPLACE ";" "," allowed "${VORANDECK_LAYER_${layer}}")
    list(APPEND layer_args "-DLAYER_${layer}=${allowed}")
endforeach()
string(REPLACE ";" "," layer_list "${VORANDECK_LAYERS}")
add_custom_target(vorandeck_layer_check ALL
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DLAYERS=${layer_list} ${layer_args}
            -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
    COMMENT "Checking that every layer includes only the layers below it"
    VERBATIM)

# A library of one folder: its sources, the layers it stands on, and the check
# run before it is compiled.
function(vorandeck_layer_library name)
    cmake_parse_arguments(arg "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${name} STATIC ${arg_SOURCES})
    target_link_libraries(${name} PUBLIC vorandeck_common ${arg_DEPENDS})
    add_dependencies(${name} vorandeck_layer_check)
    vorandeck_warnings(${name})
endfunction()
