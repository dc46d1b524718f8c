# Effects and the loop through SDL_mixer; the music module through libopenmpt.
pkg_check_modules(SDL2_MIXER REQUIRED IMPORTED_TARGET SDL2_mixer)
pkg_check_modules(OPENMPT REQUIRED IMPORTED_TARGET libopenmpt)
target_link_libraries(vmengine_thirdparty INTERFACE PkgConfig::SDL2_MIXER PkgConfig::OPENMPT)
