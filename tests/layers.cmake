# The layering: no source file includes a header of a layer it may not use,
# no subsystem's library uses what only such a layer defines, and the check
# itself refuses what it must (on made-up trees and libraries).
add_test(NAME layers.check-refuses
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/check_layers_catches.sh
                 ${CMAKE_SOURCE_DIR}/scripts/check_layers.sh)
set_tests_properties(layers.check-refuses PROPERTIES ENVIRONMENT "CXX=${CMAKE_CXX_COMPILER}")
add_test(NAME layers.includes
         COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check_layers.sh ${CMAKE_SOURCE_DIR})
set(VM_LAYER_ARCHIVES)
foreach(layer ${VM_LAYERS})
  list(APPEND VM_LAYER_ARCHIVES ${layer}=$<TARGET_FILE:vmengine_${layer}>)
endforeach()
add_test(NAME layers.links
         COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check_layers.sh --links ${VM_LAYER_ARCHIVES})
