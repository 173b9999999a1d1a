# The Windows build's libraries, under the names the Linux build gives them, so the
# targets above the platform layer link the same way on both.

# libcurl with Schannel, static (scripts/build-windows.sh gives its CURL_DIR).
find_package(CURL CONFIG REQUIRED)
add_library(PkgConfig::CURL INTERFACE IMPORTED)
target_link_libraries(PkgConfig::CURL INTERFACE CURL::libcurl ws2_32 crypt32 bcrypt secur32
                                                wldap32 normaliz)
target_compile_definitions(PkgConfig::CURL INTERFACE CURL_STATICLIB)

# nlohmann/json is header-only; Debian's copy is shared with the cross build through a
# folder of its own, since /usr/include as a whole would shadow the Windows headers.
set(sp_json_include ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${sp_json_include})
if(NOT EXISTS ${sp_json_include}/nlohmann)
  file(CREATE_LINK /usr/include/nlohmann ${sp_json_include}/nlohmann SYMBOLIC)
endif()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${sp_json_include})

# Windows 10 and later; the ANSI names are never used.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE NOMINMAX
                        WIN32_LEAN_AND_MEAN)
# GCC 12 reports std::string copies at -O3 as overlapping (its bug 105329).
add_compile_options(-Wno-restrict)
# The built-in pictures' generator runs on the build machine.
set(STATIONPLAYER_PICTURE_GENERATOR "" CACHE FILEPATH "make_builtin_pictures built for the build machine")
