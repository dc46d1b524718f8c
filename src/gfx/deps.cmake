# The renderer draws through OpenGL 3.3 (entry points from libepoxy) and
# writes screenshots with stb.
pkg_check_modules(EPOXY REQUIRED IMPORTED_TARGET epoxy)
target_link_libraries(vmengine_thirdparty INTERFACE PkgConfig::EPOXY)
# PNG pictures are decoded by the system's libpng (stb writes screenshots).
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
target_link_libraries(vmengine_thirdparty INTERFACE PkgConfig::PNG)
# JPEG pictures through libjpeg-turbo.
pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
target_link_libraries(vmengine_thirdparty INTERFACE PkgConfig::JPEG)
