# The play field runs on ODE (Debian's double-precision build).
pkg_check_modules(ODE REQUIRED IMPORTED_TARGET ode)
target_link_libraries(vmengine_thirdparty INTERFACE PkgConfig::ODE)
