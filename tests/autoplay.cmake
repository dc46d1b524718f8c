# The autoplayer: its aiming is unit-tested with the rest; it plays the
# tutorial and the first episode of the shipped campaign end to end through
# the front door, tours every screen, and must fail when it cannot win. The
# exit status decides each test.

set(VM_AUTOPLAY_ENV "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy")

foreach(episode 0 1)
  add_test(NAME autoplay.episode${episode}
           COMMAND vellmoor-autoplay --episode ${episode} --seed 1)
  set_tests_properties(autoplay.episode${episode} PROPERTIES ENVIRONMENT "${VM_AUTOPLAY_ENV}" TIMEOUT 600)
endforeach()

# Every screen and dialog once, each one pictured.
add_test(NAME autoplay.tour COMMAND vellmoor-autoplay --tour ${CMAKE_BINARY_DIR}/tour)
set_tests_properties(autoplay.tour PROPERTIES ENVIRONMENT "${VM_AUTOPLAY_ENV}" TIMEOUT 900)

# The tour again in German and in Russian (the Cyrillic code page and its
# font): every screen shows in the language, its pictures in the build folder.
foreach(language de ru)
  add_test(NAME autoplay.tour-${language}
           COMMAND vellmoor-autoplay --tour ${CMAKE_BINARY_DIR}/tour-${language} --language ${language})
  set_tests_properties(autoplay.tour-${language} PROPERTIES ENVIRONMENT "${VM_AUTOPLAY_ENV}" TIMEOUT 900)
endforeach()

# A level given up after a moment on its only try is lost on every try: the
# run has to say so with its exit status.
add_test(NAME autoplay.fails-when-a-level-is-never-won
         COMMAND vellmoor-autoplay --level 1-1 --seed 1 --tries 1 --give-up 200)
set_tests_properties(autoplay.fails-when-a-level-is-never-won PROPERTIES
  ENVIRONMENT "${VM_AUTOPLAY_ENV}" WILL_FAIL TRUE TIMEOUT 300)

# The listening test has the autoplayer play a busy level and write its sound log.
add_dependencies(vellmoor-tests vellmoor-autoplay)
target_compile_definitions(vellmoor-tests PRIVATE VM_AUTOPLAY="$<TARGET_FILE:vellmoor-autoplay>")

# A level that cannot be built ends the run within its tries, with status 1.
add_test(NAME autoplay.broken-level-ends-within-its-tries
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/broken_level.sh $<TARGET_FILE:vellmoor-autoplay> ${VM_DATA_DIR})
set_tests_properties(autoplay.broken-level-ends-within-its-tries PROPERTIES
  ENVIRONMENT "${VM_AUTOPLAY_ENV}" TIMEOUT 360)
# Nowhere to keep the player's scratch folder (TMPDIR not writable): a line
# that says so, never an abort.
add_test(NAME autoplay.says-when-it-has-no-scratch-folder COMMAND vellmoor-autoplay --level 1-1)
set_tests_properties(autoplay.says-when-it-has-no-scratch-folder PROPERTIES
  ENVIRONMENT "${VM_AUTOPLAY_ENV};TMPDIR=/proc" PASS_REGULAR_EXPRESSION "cannot make the player's scratch folder"
  TIMEOUT 60)

# The front door with a controller only and with the keyboard only: a new
# player's name, the options, the tutorial's first level won, and out
# through the in-game menu and the main menu's Exit.
foreach(device pad keys)
  add_test(NAME autoplay.front-door-${device}
           COMMAND vellmoor-autoplay --front-door --${device} --seed 1)
  set_tests_properties(autoplay.front-door-${device} PROPERTIES ENVIRONMENT "${VM_AUTOPLAY_ENV}" TIMEOUT 600)
endforeach()
