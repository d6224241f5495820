# Which folders each folder's sources may include from: a layer looks down only.
# The package subsystem is itself layered, one folder a layer.
set(package_layers package/io package/checks package/trust package/model package/epoc
    package/sisx package/texts package/extract package)
set(VORANDECK_LAYERS common ${package_layers} package/details package/view package/source cli controls
    display shell settings app)
set(VORANDECK_LAYER_common "common")
set(VORANDECK_LAYER_package/io "common;package/io")
set(VORANDECK_LAYER_package/checks "common;package/io;package/checks")
set(VORANDECK_LAYER_package/trust "common;package/checks;package/trust")
set(VORANDECK_LAYER_package/model "common;package/io;package/model")
set(VORANDECK_LAYER_package/epoc "common;package/io;package/checks;package/model;package/epoc")
set(VORANDECK_LAYER_package/sisx "common;package/io;package/checks;package/model;package/sisx")
set(VORANDECK_LAYER_package/texts
    "common;package/io;package/checks;package/model;package/epoc;package/sisx;package/texts")
set(VORANDECK_LAYER_package/extract
    "common;package/io;package/checks;package/model;package/extract")
set(VORANDECK_LAYER_package "common;${package_layers}")
set(VORANDECK_LAYER_package/details "common;${package_layers};package/details")
# What a package shows, derived once for every front end.
set(VORANDECK_LAYER_package/view "common;${package_layers};package/details;package/view")
# A package's source (.pkg), printed from the model and the view.
set(VORANDECK_LAYER_package/source "common;${package_layers};package/details;package/view;package/source")
# The command-line tool stands beside the window, on the package layers alone.
set(VORANDECK_LAYER_cli "common;${package_layers};package/details;package/view;package/source;cli")
set(VORANDECK_LAYER_controls "common;controls")
set(VORANDECK_LAYER_display "common;${package_layers};package/details;package/view;package/source;display")
# Explorer's handlers: a front end beside the window, over the package view and
# the display's file rows.
set(VORANDECK_LAYER_shell
    "common;${package_layers};package/details;package/view;package/source;display;shell")
set(VORANDECK_LAYER_settings
    "common;${package_layers};package/details;package/view;package/source;controls;display;settings")
set(VORANDECK_LAYER_app
    "common;${package_layers};package/details;package/view;package/source;controls;display;settings;app")

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
