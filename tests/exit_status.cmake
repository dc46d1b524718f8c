# The game itself, copied with its data: a normal end exits 0, a broken
# install stops at start with the missing file named and a non-zero status.
add_test(NAME game.exit-status
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/exit_status.sh $<TARGET_FILE:vellmoor> ${VM_DATA_DIR})
set_tests_properties(game.exit-status PROPERTIES
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy" TIMEOUT 180)

# Start-ups on the player's and the install's files as upgrades, packagers
# and full disks leave them (tests/scripts/startup_files.sh names the cases).
foreach(case settings-upgrade oversized-settings touched-install full-disk)
  add_test(NAME game.startup-${case}
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/startup_files.sh $<TARGET_FILE:vellmoor> ${VM_DATA_DIR} ${case})
  set_tests_properties(game.startup-${case} PROPERTIES
    ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy" TIMEOUT 180 SKIP_RETURN_CODE 77)
endforeach()
# A second start brings the running game forward and exits 0 without a message.
add_test(NAME game.second-start
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/second_start.sh $<TARGET_FILE:vellmoor> ${VM_DATA_DIR})
set_tests_properties(game.second-start PROPERTIES
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy" TIMEOUT 180)
# The player's folder: a home folder with a backslash in its name, and the
# leftovers of a killed save, which the start clears.
add_test(NAME game.player-folder
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/player_folder.sh $<TARGET_FILE:vellmoor> ${VM_DATA_DIR})
set_tests_properties(game.player-folder PROPERTIES
  ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy" TIMEOUT 180)
