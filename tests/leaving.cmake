# The game itself on a private X server: cut off from its display, or sent
# a quit signal, or two, it ends within 3 s and keeps its users file whole.
# Skipped when Xvfb is not installed.
add_test(NAME game.leaving
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/leaving.sh $<TARGET_FILE:vellmoor> ${VM_DATA_DIR})
set_tests_properties(game.leaving PROPERTIES
  ENVIRONMENT "SDL_AUDIODRIVER=dummy" SKIP_RETURN_CODE 77 TIMEOUT 600)
