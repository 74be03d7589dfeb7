#pragma once

// FFmpeg's functions, loaded when first needed rather than at program start.
// The FFmpeg libraries pull in about a hundred further shared libraries
// (codecs, image and network libraries); linking them into the program made
// every start map and relocate all of them before the first window showed.
// Call sites write ff().avcodec_open2(...): the first call loads the
// libraries (thread-safe); every later one is a plain indirect call.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <QString>

#include <functional>

// Every FFmpeg function the components call.
#define CORVANE_FFMPEG_FUNCTIONS(X)                                                                          \
    X(av_audio_fifo_alloc)                                                                                   \
    X(av_audio_fifo_free)                                                                                    \
    X(av_audio_fifo_read)                                                                                    \
    X(av_audio_fifo_size)                                                                                    \
    X(av_audio_fifo_write)                                                                                   \
    X(av_channel_layout_compare)                                                                             \
    X(av_channel_layout_copy)                                                                                \
    X(av_channel_layout_default)                                                                             \
    X(av_channel_layout_uninit)                                                                              \
    X(av_codec_is_decoder)                                                                                   \
    X(av_codec_iterate)                                                                                      \
    X(av_dict_free)                                                                                          \
    X(av_dict_get)                                                                                           \
    X(av_dict_set)                                                                                           \
    X(av_find_best_stream)                                                                                   \
    X(av_find_input_format)                                                                                  \
    X(av_frame_alloc)                                                                                        \
    X(av_frame_free)                                                                                         \
    X(av_frame_get_buffer)                                                                                   \
    X(av_frame_unref)                                                                                        \
    X(av_get_bits_per_sample)                                                                                \
    X(av_get_bytes_per_sample)                                                                               \
    X(av_guess_format)                                                                                       \
    X(av_log_set_level)                                                                                      \
    X(av_packet_alloc)                                                                                       \
    X(av_packet_free)                                                                                        \
    X(av_packet_rescale_ts)                                                                                  \
    X(av_packet_unref)                                                                                       \
    X(av_read_frame)                                                                                         \
    X(av_rescale)                                                                                            \
    X(av_rescale_q)                                                                                          \
    X(av_rescale_rnd)                                                                                        \
    X(av_sample_fmt_is_planar)                                                                               \
    X(av_samples_fill_arrays)                                                                                \
    X(av_samples_get_buffer_size)                                                                            \
    X(av_samples_set_silence)                                                                                \
    X(av_seek_frame)                                                                                         \
    X(av_strerror)                                                                                           \
    X(av_write_frame)                                                                                        \
    X(av_write_trailer)                                                                                      \
    X(avcodec_alloc_context3)                                                                                \
    X(avcodec_descriptor_get)                                                                                \
    X(avcodec_find_decoder)                                                                                  \
    X(avcodec_find_encoder_by_name)                                                                          \
    X(avcodec_flush_buffers)                                                                                 \
    X(avcodec_free_context)                                                                                  \
    X(avcodec_open2)                                                                                         \
    X(avcodec_parameters_from_context)                                                                       \
    X(avcodec_parameters_to_context)                                                                         \
    X(avcodec_receive_frame)                                                                                 \
    X(avcodec_receive_packet)                                                                                \
    X(avcodec_send_frame)                                                                                    \
    X(avcodec_send_packet)                                                                                   \
    X(avformat_alloc_output_context2)                                                                        \
    X(avformat_close_input)                                                                                  \
    X(avformat_find_stream_info)                                                                             \
    X(avformat_free_context)                                                                                 \
    X(avformat_new_stream)                                                                                   \
    X(avformat_open_input)                                                                                   \
    X(avformat_seek_file)                                                                                    \
    X(avformat_write_header)                                                                                 \
    X(avio_closep)                                                                                           \
    X(avio_open)                                                                                             \
    X(swr_alloc_set_opts2)                                                                                   \
    X(swr_convert)                                                                                           \
    X(swr_free)                                                                                              \
    X(swr_get_delay)                                                                                         \
    X(swr_get_out_samples)                                                                                   \
    X(swr_init)

namespace components {

struct FFmpegApi {
#define CORVANE_FFMPEG_MEMBER(name) decltype(&::name) name;
    CORVANE_FFMPEG_FUNCTIONS(CORVANE_FFMPEG_MEMBER)
#undef CORVANE_FFMPEG_MEMBER
};

// The FFmpeg functions, loading the libraries on the first call. When they
// cannot be loaded, every function fails (error codes, null pointers) and
// ffmpeg::ErrorText says why.
const FFmpegApi& ff();

namespace ffmpeg {

// True when the libraries are loaded (loads them on the first call).
bool Available();
// Why loading failed; empty when the libraries are loaded.
QString LoadError();
// FFmpeg's text for an error code, or why the libraries could not be loaded.
QString ErrorText(int code);
// Loads the libraries on a background thread, so that the first conversion
// or playback does not wait for them. Returns at once. When they cannot be
// loaded, `whenMissing` is called (on that thread) with the reason.
void PreloadInBackground(std::function<void(const QString& reason)> whenMissing = {});

} // namespace ffmpeg
} // namespace components
