# The embedded pictures and payload archive, checked against the files they are built
# from, and the sample product Quillmere.exe that the payload carries. The paths are
# Linux paths; the test reaches them through Wine's Z: drive.
installer_test(assets_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/assets_test.cpp
    LIBS installer_assets ZLIB::ZLIB ole32 oleaut32 uuid)
target_compile_definitions(assets_test PRIVATE
    ASSETS_PICTURES_DIR="${INSTALLER_PICTURES_DIR}"
    ASSETS_PAYLOAD_ZIP="${INSTALLER_PAYLOAD_ZIP}"
    ASSETS_QUILLMERE_EXE="$<TARGET_FILE:quillmere>")
add_dependencies(assets_test installer_payload quillmere)
