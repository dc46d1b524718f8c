# The autoplayer: its aiming is unit-tested with the rest, and it plays the
# tutorial and the first episode of the shipped campaign end to end.
target_sources(vellmoor-tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/autoplay/aim.cpp)
target_include_directories(vellmoor-tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/autoplay)

foreach(episode 0 1)
  add_test(NAME autoplay.episode${episode}
           COMMAND vellmoor-autoplay --episode ${episode} --seed 1)
  set_tests_properties(autoplay.episode${episode} PROPERTIES
    ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy"
    PASS_REGULAR_EXPRESSION "autoplay: won [0-9]+ lost [0-9]+ levels [1-9][0-9]* ticks [0-9]+ seconds [0-9.]+\n?$"
    TIMEOUT 600)
endforeach()

# The listening test has the autoplayer play a busy level and write its sound log.
add_dependencies(vellmoor-tests vellmoor-autoplay)
target_compile_definitions(vellmoor-tests PRIVATE VM_AUTOPLAY="$<TARGET_FILE:vellmoor-autoplay>")
