# One warning policy for the engine, the game, the tools and the tests.
function(vm_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow=local
    -Wnon-virtual-dtor -Woverloaded-virtual -Wno-missing-field-initializers)
  if(VM_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
