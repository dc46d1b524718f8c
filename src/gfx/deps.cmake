# The renderer draws through OpenGL 3.3 (entry points from libepoxy) and
# reads and writes pictures with stb.
pkg_check_modules(EPOXY REQUIRED IMPORTED_TARGET epoxy)
target_link_libraries(vmengine_thirdparty INTERFACE PkgConfig::EPOXY)
# JPEG pictures through libjpeg-turbo.
pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
target_link_libraries(vmengine_thirdparty INTERFACE PkgConfig::JPEG)
