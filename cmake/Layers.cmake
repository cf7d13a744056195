# The libraries' boundaries, enforced by the compiler.
#
# Our own headers: each library's include root holds a link to its own
# folder only, and a library gets the roots of the libraries it links, so
# that an include from a lower library into a higher one does not compile.
#
# Third-party headers: FFmpeg's belong to media; Rubber Band's, SoundTouch's
# and FFTW's to dsp. Every other target is compiled with an include folder
# in front of the system's that holds a header of the same name for each of
# theirs, which stops the compilation with a message: an include of them
# elsewhere fails, directly or through one of our headers.

set(TW_POISON ${CMAKE_BINARY_DIR}/poison)

# tw_poison_kind(KIND LIBRARY MESSAGE ROOT PATTERN...): for each header
# below ROOT matching a PATTERN, a header of the same relative path under
# poison/KIND that stops the compilation.
function(tw_poison_kind kind library root)
    file(GLOB_RECURSE headers RELATIVE ${root} ${ARGN})
    foreach(header ${headers})
        file(WRITE ${TW_POISON}/${kind}/${header}
             "#error \"${header} is for the ${library} library only: use what it offers (see docs/ARCHITECTURE.md)\"\n")
    endforeach()
endfunction()

find_path(TW_FFMPEG_ROOT libavcodec/avcodec.h REQUIRED)
find_path(TW_RUBBERBAND_ROOT rubberband/RubberBandStretcher.h REQUIRED)
find_path(TW_SOUNDTOUCH_ROOT soundtouch/SoundTouch.h REQUIRED)
find_path(TW_FFTW_ROOT fftw3.h REQUIRED)
tw_poison_kind(ffmpeg media ${TW_FFMPEG_ROOT}
    ${TW_FFMPEG_ROOT}/libavcodec/*.h ${TW_FFMPEG_ROOT}/libavformat/*.h ${TW_FFMPEG_ROOT}/libavutil/*.h
    ${TW_FFMPEG_ROOT}/libswresample/*.h)
tw_poison_kind(dsp dsp ${TW_RUBBERBAND_ROOT} ${TW_RUBBERBAND_ROOT}/rubberband/*.h)
tw_poison_kind(dsp dsp ${TW_SOUNDTOUCH_ROOT} ${TW_SOUNDTOUCH_ROOT}/soundtouch/*.h)
tw_poison_kind(dsp dsp ${TW_SOUNDTOUCH_ROOT}/soundtouch ${TW_SOUNDTOUCH_ROOT}/soundtouch/*.h)
tw_poison_kind(dsp dsp ${TW_FFTW_ROOT} ${TW_FFTW_ROOT}/fftw3.h)

# tw_third_party_headers(TARGET [ffmpeg] [dsp]): the third-party headers
# TARGET may include; every other kind is poisoned for it.
function(tw_third_party_headers target)
    foreach(kind ffmpeg dsp)
        if(NOT kind IN_LIST ARGN)
            target_include_directories(${target} BEFORE PRIVATE ${TW_POISON}/${kind})
        endif()
    endforeach()
endfunction()

# tw_layer(TARGET FOLDER [THIRD_PARTY kind...]): the include root of a
# library of ours (FOLDER, relative to the calling CMakeLists.txt or
# absolute), its warnings, and its share of third-party headers.
function(tw_layer target folder)
    cmake_parse_arguments(LAYER "" "" "THIRD_PARTY" ${ARGN})
    get_filename_component(folder ${folder} ABSOLUTE)
    get_filename_component(name ${folder} NAME)
    set(root ${CMAKE_BINARY_DIR}/layers/${target})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${root})
    target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII)
    target_link_libraries(${target} PRIVATE tw_warnings)
    tw_third_party_headers(${target} ${LAYER_THIRD_PARTY})
endfunction()
