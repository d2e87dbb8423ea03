# Builds the empty database of an install from data/schema.sql and stages it
# as data/vek.db next to the library. Written to a temporary file first so
# that a failed build never leaves a half-made database behind.
find_program(SQLITE3_EXECUTABLE sqlite3 REQUIRED)
set(VEK_DB ${VEK_STAGE_DIR}/data/vek.db)
add_custom_command(OUTPUT ${VEK_DB}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VEK_STAGE_DIR}/data
    COMMAND ${CMAKE_COMMAND} -E remove -f ${VEK_DB}.tmp
    COMMAND ${SQLITE3_EXECUTABLE} -bail ${VEK_DB}.tmp ".read ${PROJECT_SOURCE_DIR}/data/schema.sql"
    COMMAND ${CMAKE_COMMAND} -E rename ${VEK_DB}.tmp ${VEK_DB}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/schema.sql
    COMMENT "Building the empty database data/vek.db"
    VERBATIM)
add_custom_target(vek_database ALL DEPENDS ${VEK_DB})
add_dependencies(vek vek_database)
