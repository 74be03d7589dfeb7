#pragma once

// Owning handles for the FFmpeg objects the components use, so that every
// handle is released on every path (early returns and exceptions included).

#include "components/FFmpegLibrary.h"

#include <QString>

#include <memory>

namespace components::ffmpeg {

struct InputContextDeleter {
    void operator()(AVFormatContext* p) const { ff().avformat_close_input(&p); }
};
struct OutputContextDeleter {
    void operator()(AVFormatContext* p) const {
        if (p && p->pb && !(p->oformat->flags & AVFMT_NOFILE)) ff().avio_closep(&p->pb);
        ff().avformat_free_context(p);
    }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* p) const { ff().avcodec_free_context(&p); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { ff().av_packet_free(&p); }
};
struct FrameDeleter {
    void operator()(AVFrame* p) const { ff().av_frame_free(&p); }
};
struct DictionaryDeleter {
    void operator()(AVDictionary* p) const { ff().av_dict_free(&p); }
};

using InputContext = std::unique_ptr<AVFormatContext, InputContextDeleter>;
using OutputContext = std::unique_ptr<AVFormatContext, OutputContextDeleter>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;
using Dictionary = std::unique_ptr<AVDictionary, DictionaryDeleter>;

// The name FFmpeg opens for a local path. The explicit "file:" keeps a path
// that contains a colon from being taken for a network protocol.
QByteArray LocalUrl(const QString& path);

// Opens a local file for reading; null on failure, with FFmpeg's error code in
// *error. With `format` the file is not probed but read as that format.
// Opening and the stream probing after it are bounded: only the container
// formats the program reads are accepted, and only audio is ever decoded to
// learn a stream's parameters, so a small file cannot make them spend seconds and
// gigabytes (a cover picture declaring a huge size, say).
InputContext OpenInput(const QString& path, int* error = nullptr, const AVInputFormat* format = nullptr);
// True when OpenInput failed because the file went past those bounds (FFmpeg
// reports a stream too many as a failed allocation).
bool BeyondBounds(int error);

// Keeps FFmpeg's own console chatter (warnings about damaged input) quiet; safe to call often.
void QuietLogging();

} // namespace components::ffmpeg
