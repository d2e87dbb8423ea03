# Builds the empty database of an install from data/schema.sql and stages it
# as data/vek.db next to the library; likewise data/schema_v0.sql becomes
# data/vek_v0.db, a file of the oldest schema for showing and testing the
# upgrade (callers copy it; nothing opens the staged file itself). Each is
# written to a temporary file first so that a failed build never leaves a
# half-made database behind.
find_program(SQLITE3_EXECUTABLE sqlite3 REQUIRED)
set(VEK_DATABASES)
foreach(pair "vek.db:schema.sql" "vek_v0.db:schema_v0.sql")
    string(REPLACE ":" ";" parts ${pair})
    list(GET parts 0 db)
    list(GET parts 1 schema)
    set(out ${VEK_STAGE_DIR}/data/${db})
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VEK_STAGE_DIR}/data
        COMMAND ${CMAKE_COMMAND} -E remove -f ${out}.tmp ${out}.tmp-wal ${out}.tmp-shm
        COMMAND ${SQLITE3_EXECUTABLE} -bail ${out}.tmp ".read ${PROJECT_SOURCE_DIR}/data/${schema}"
        COMMAND ${CMAKE_COMMAND} -E rename ${out}.tmp ${out}
        DEPENDS ${PROJECT_SOURCE_DIR}/data/${schema}
        COMMENT "Building the database data/${db}"
        VERBATIM)
    list(APPEND VEK_DATABASES ${out})
endforeach()
add_custom_target(vek_database ALL DEPENDS ${VEK_DATABASES})
add_dependencies(vek vek_database)
