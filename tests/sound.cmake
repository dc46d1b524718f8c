# The sound tests decode the generated effects and check the music module with
# the openmpt123 player when it is installed.
pkg_check_modules(VM_TEST_VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile)
target_link_libraries(vellmoor-tests PRIVATE PkgConfig::VM_TEST_VORBISFILE)
find_program(VM_OPENMPT123 openmpt123)
if(VM_OPENMPT123)
  target_compile_definitions(vellmoor-tests PRIVATE VM_OPENMPT123="${VM_OPENMPT123}")
endif()

# The module writer of the sound generator is checked on its own as well.
target_sources(vellmoor-tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/sfxgen/xm.cpp)
target_include_directories(vellmoor-tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/sfxgen)

# The loudness meter of the sound generator and the mix measures of
# vm-mixcheck measure what the tests hear.
target_sources(vellmoor-tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/sfxgen/loudness.cpp
                                      ${CMAKE_SOURCE_DIR}/tools/mixcheck/mix_stats.cpp)
target_include_directories(vellmoor-tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/mixcheck)
