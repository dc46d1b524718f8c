# The layering: no source file includes a header of a layer it may not use,
# no layer's library uses what only such a layer defines, and the check
# itself refuses what it must (on made-up trees and libraries), all against
# the allowlist CMake writes from src/layers.cmake.
add_test(NAME layers.check-refuses
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/check_layers_catches.sh
                 ${CMAKE_SOURCE_DIR}/scripts/check_layers.sh ${VM_LAYER_ALLOWLIST})
set_tests_properties(layers.check-refuses PROPERTIES ENVIRONMENT "CXX=${CMAKE_CXX_COMPILER}")
add_test(NAME layers.includes
         COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check_layers.sh --allow ${VM_LAYER_ALLOWLIST} ${CMAKE_SOURCE_DIR})
set(VM_LAYER_ARCHIVES)
foreach(pair ${VM_LAYER_TARGETS})
  string(REPLACE "=" ";" parts ${pair})
  list(GET parts 0 layer)
  list(GET parts 1 target)
  list(APPEND VM_LAYER_ARCHIVES ${layer}=$<TARGET_FILE:${target}>)
endforeach()
add_test(NAME layers.links
         COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check_layers.sh --allow ${VM_LAYER_ALLOWLIST}
                 --links ${VM_LAYER_ARCHIVES})
