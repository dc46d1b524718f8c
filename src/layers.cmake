# The layering, in one table. Each layer names the layers it uses and the
# outside libraries it may link; nothing else. The table makes every layer's
# library and its links (vm_layer), and writes the allowlist that
# scripts/check_layers.sh reads (vm_write_layer_allowlist): an include of a
# layer's header, or of an outside library's, that the table does not list
# is refused, and so is a library using a function of a layer it may not use.
#
# Outside libraries: a name, the CMake target and the headers it brings (an
# awk pattern on what #include <...> names; the first match decides).
pkg_check_modules(ODE REQUIRED IMPORTED_TARGET ode)            # the play field (double precision)
pkg_check_modules(EPOXY REQUIRED IMPORTED_TARGET epoxy)        # OpenGL 3.3 entry points
pkg_check_modules(SDL2_MIXER REQUIRED IMPORTED_TARGET SDL2_mixer)  # effects and the loop
pkg_check_modules(OPENMPT REQUIRED IMPORTED_TARGET libopenmpt)    # the music module
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)         # PNG pictures
pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)       # JPEG pictures (libjpeg-turbo)
vm_outside(SDL2_mixer PkgConfig::SDL2_MIXER  "^SDL_mixer[.]h$")
vm_outside(SDL2       PkgConfig::SDL2        "^SDL([_a-z0-9]*)?[.]h$")
vm_outside(openmpt    PkgConfig::OPENMPT     "^libopenmpt/")
vm_outside(epoxy      PkgConfig::EPOXY       "^(epoxy|GL)/")
vm_outside(ode        PkgConfig::ODE         "^ode/")
vm_outside(stb        PkgConfig::STB         "^stb_")
vm_outside(png        PkgConfig::PNG         "^png[.]h$")
vm_outside(jpeg       PkgConfig::JPEG        "^(jpeglib|jerror)[.]h$")
vm_outside(dl         "${CMAKE_DL_LIBS}"     "^dlfcn[.]h$")
vm_outside(threads    Threads::Threads       "^thread$")

# The platform is the floor and the only operating-system seam.
vm_layer(platform    LIBS SDL2 dl threads)
# The engine. The frame is its lowest layer: it runs the scene and the
# renderer each step through the parts they hand it, and a picture sprite
# asks its picture through an interface the picture packs fill in.
vm_layer(frame       USES platform)
vm_layer(gfx         USES frame platform LIBS stb png jpeg)
vm_layer(sound       USES frame platform)
# The back ends, beside the layer whose interface they fill in; the program
# installs the desktop ones, the tests and the tools the testing ones.
vm_layer(gfx/gl        USES platform frame gfx LIBS epoxy)
vm_layer(gfx/testing   USES frame gfx)
vm_layer(sound/sdl     USES platform frame sound LIBS SDL2_mixer openmpt)
vm_layer(sound/testing USES frame sound sound/sdl)
vm_layer(scene       USES frame gfx)
vm_layer(res         USES frame gfx scene)
vm_layer(anim        USES frame gfx res scene sound)
vm_layer(ui          USES frame anim res scene sound)
# Above the engine.
vm_layer(players     USES frame)
vm_layer(game        USES frame scene anim res gfx sound players LIBS ode)
vm_layer(screens     USES frame scene anim res gfx sound ui players game)
# The game playing itself and the program: above everything, used by nothing.
vm_layer(demo        USES platform frame scene anim res gfx sound ui players game screens)
vm_layer(main        USES platform frame scene anim res gfx gfx/gl sound sound/sdl ui players game screens demo)
