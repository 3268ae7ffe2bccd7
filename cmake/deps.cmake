# Outside libraries, found once for the whole tree. Each becomes an imported target.
find_package(PkgConfig REQUIRED)
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(Threads REQUIRED)

# The font libraries serve the text layer (the glyph cache); the window, sound, video and
# network libraries serve the layers above it, and a build of the core layers alone (such as
# the cross test's) does without them.
if("text" IN_LIST VESK_LAYERS)
  pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
  pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
endif()
set(VESK_CORE_LAYERS base vfs vars script gfx display text)
set(vesk_needs_host_libs OFF)
foreach(layer IN LISTS VESK_LAYERS)
  if(NOT layer IN_LIST VESK_CORE_LAYERS)
    set(vesk_needs_host_libs ON)
  endif()
endforeach()
if(vesk_needs_host_libs)
  pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
  if(NOT TARGET PkgConfig::FREETYPE)
    pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
    pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
  endif()
  pkg_check_modules(VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile)
  pkg_check_modules(VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
  pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
  pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil libswscale libswresample)
  pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
endif()

if(VESK_TESTS)
  find_package(GTest REQUIRED)
endif()
if(VESK_BENCH)
  find_package(benchmark REQUIRED)
endif()

# Adds a GoogleTest program for one layer and registers its cases with CTest.
function(vesk_add_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "VESK_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

find_package(nlohmann_json 3 REQUIRED)
find_package(CLI11 2 CONFIG REQUIRED)
