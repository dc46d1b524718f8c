# The game itself, copied with its data: a normal end exits 0, a broken
# install stops at start with the missing file named and a non-zero status.
add_test(NAME game.exit-status
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/exit_status.sh $<TARGET_FILE:vellmoor> ${VM_DATA_DIR})
set_tests_properties(game.exit-status PROPERTIES
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy" TIMEOUT 180)

# The player's folder: a home folder with a backslash in its name, and the
# leftovers of a killed save, which the start clears.
add_test(NAME game.player-folder
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/player_folder.sh $<TARGET_FILE:vellmoor> ${VM_DATA_DIR})
set_tests_properties(game.player-folder PROPERTIES
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy" TIMEOUT 180)
