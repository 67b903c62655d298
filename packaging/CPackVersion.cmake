# Read by cpack while it makes the package: the package takes the build's version.
file(STRINGS "${CPACK_QUARVIK_VERSION_FILE}" CPACK_PACKAGE_VERSION LIMIT_COUNT 1)
set(CPACK_DEBIAN_PACKAGE_VERSION "${CPACK_PACKAGE_VERSION}")
