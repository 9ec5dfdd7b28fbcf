# Third-party libraries, all from Debian packages (scripts/setup.sh installs them).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
# The media library: Ogg Vorbis through vorbisfile, the other containers and codecs through FFmpeg's libraries.
pkg_check_modules(VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil libswresample libswscale)
# The MIDI synthesiser: its header needs none of the package's compile flags (which would change every compile
# command).
pkg_check_modules(FLUIDSYNTH REQUIRED fluidsynth)

# FFmpeg and FluidSynth are opened at run time when first needed (medialib/av_library, media/fluid_library): the
# player and the core take only their headers, so that a start does not load them and all they depend on.
add_library(velk_deps INTERFACE)
target_link_libraries(velk_deps INTERFACE Threads::Threads ZLIB::ZLIB PNG::PNG JPEG::JPEG
  PkgConfig::FREETYPE PkgConfig::FONTCONFIG PkgConfig::LIBDEFLATE PkgConfig::VORBISFILE ${CMAKE_DL_LIBS})
target_include_directories(velk_deps INTERFACE ${FFMPEG_INCLUDE_DIRS})

if(VELK_SDL)
  pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
endif()

if(VELK_TESTS)
  find_package(GTest REQUIRED)
  # Tests encode their own Ogg media.
  pkg_check_modules(VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
endif()
if(VELK_BENCH)
  find_package(benchmark REQUIRED)
endif()
