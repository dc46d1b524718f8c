# The layering: no source file includes a header of a layer it may not use,
# and the check itself refuses the includes it must (run on made-up trees).
add_test(NAME layers.check-refuses
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/check_layers_catches.sh
                 ${CMAKE_SOURCE_DIR}/scripts/check_layers.sh)
add_test(NAME layers.includes
         COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check_layers.sh ${CMAKE_SOURCE_DIR})
