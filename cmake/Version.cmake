# The version is written once, in project(): the programs read it from a generated header, and the
# manual page and the AppStream metainfo are generated from templates in res/ that carry it.

set(CORVELA_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/cmake/Version.hpp.in
               ${CORVELA_GENERATED_DIR}/corvela/Version.hpp @ONLY)
# Gives "corvela/Version.hpp" to whatever links it.
add_library(corvela_version INTERFACE)
target_include_directories(corvela_version INTERFACE ${CORVELA_GENERATED_DIR})

set(CORVELA_MANUAL_PAGE ${CORVELA_GENERATED_DIR}/corvela-cli.1)
configure_file(${PROJECT_SOURCE_DIR}/res/corvela-cli.1.in ${CORVELA_MANUAL_PAGE} @ONLY)
set(CORVELA_METAINFO ${CORVELA_GENERATED_DIR}/io.github.corvela.Corvela.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/res/io.github.corvela.Corvela.metainfo.xml.in
               ${CORVELA_METAINFO} @ONLY)
