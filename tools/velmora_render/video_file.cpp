#include "tools/velmora_render/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <cstdio>
#include <filesystem>

namespace {

// libx264's constant-quality setting: 18 looks the same as the frames to the
// eye (the tests ask at least 35 dB PSNR against the PNG).
constexpr const char* X264Crf = "18";
// x264's speed/size trade-off: on these frames "veryfast" spends a quarter
// less time than x264's default "medium" for the same quality and size.
constexpr const char* X264Preset = "veryfast";
// Another H.264 encoder gets a bit rate instead: bits per pixel per frame.
constexpr double OtherEncoderBitsPerPixel = 0.15;

// The renderer's words 0x00RRGGBB in the machine's byte order.
constexpr AVPixelFormat PictureFormat = AV_PIX_FMT_0RGB32;
// 4:2:0 so every player opens the file.
constexpr AVPixelFormat VideoFormat = AV_PIX_FMT_YUV420P;

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// libx264 is the H.264 encoder Debian's libavcodec carries; a libavcodec
// built without it may still have another.
const AVCodec* FindH264Encoder() {
    if (const AVCodec* x264 = avcodec_find_encoder_by_name("libx264")) return x264;
    return avcodec_find_encoder(AV_CODEC_ID_H264);
}

bool IsX264(const AVCodec* codec) { return std::string(codec->name) == "libx264"; }

int EvenUp(int size) { return size + (size & 1); }

// Pads a picture converted at width x height to the frame's even size by
// repeating the last luma column and row; the chroma planes already cover
// the padded size (4:2:0 rounds their size up).
void PadLumaToEven(AVFrame* frame, int width, int height) {
    uint8_t* luma = frame->data[0];
    const int stride = frame->linesize[0];
    if (width < frame->width)
        for (int y = 0; y < height; ++y) luma[y * stride + width] = luma[y * stride + width - 1];
    if (height < frame->height)
        for (int x = 0; x < frame->width; ++x) luma[height * stride + x] = luma[(height - 1) * stride + x];
}

}  // namespace

VideoFile::~VideoFile() { Abandon(); }

bool VideoFile::Open(const std::string& path, int width, int height, int fps, std::string& error) {
    Abandon();
    // FFmpeg's own log lines would add to the one clear line each failure
    // gives; every failure is reported through return codes instead.
    av_log_set_level(AV_LOG_QUIET);
    path_ = path;
    temporaryPath_ = path + ".part";
    width_ = width;
    height_ = height;
    nextPts_ = 0;
    finishedBytes_ = 0;
    const AVCodec* codec = FindH264Encoder();
    if (!codec) {
        error = "FFmpeg's libavcodec has no H.264 encoder (libx264 is missing): cannot write video";
        return false;
    }
    if (!OpenEncoder(codec, fps, error) || !OpenPicture(error) || !CreateTemporaryFile(error)) {
        Abandon();
        return false;
    }
    return true;
}

bool VideoFile::OpenEncoder(const AVCodec* codec, int fps, std::string& error) {
    int status = avformat_alloc_output_context2(&container_, nullptr, "mp4", temporaryPath_.c_str());
    stream_ = status >= 0 ? avformat_new_stream(container_, nullptr) : nullptr;
    encoder_ = avcodec_alloc_context3(codec);
    if (!stream_ || !encoder_) {
        error = "cannot set up the MP4 writer: out of memory";
        return false;
    }
    encoder_->width = EvenUp(width_);
    encoder_->height = EvenUp(height_);
    encoder_->pix_fmt = VideoFormat;
    encoder_->time_base = AVRational{1, fps};
    encoder_->framerate = AVRational{fps, 1};
    // The converter uses BT.709 with limited range; the stream says so, so
    // that players convert back with the same matrix.
    encoder_->colorspace = AVCOL_SPC_BT709;
    encoder_->color_primaries = AVCOL_PRI_BT709;
    encoder_->color_trc = AVCOL_TRC_BT709;
    encoder_->color_range = AVCOL_RANGE_MPEG;
    if (container_->oformat->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (IsX264(codec)) {
        av_dict_set(&options, "crf", X264Crf, 0);
        av_dict_set(&options, "preset", X264Preset, 0);
    } else {
        encoder_->bit_rate = static_cast<int64_t>(OtherEncoderBitsPerPixel * encoder_->width * encoder_->height * fps);
    }
    status = avcodec_open2(encoder_, codec, &options);
    av_dict_free(&options);
    if (status < 0) {
        error = std::string("cannot open the H.264 encoder ") + codec->name + ": " + AvError(status);
        return false;
    }
    stream_->time_base = encoder_->time_base;
    stream_->avg_frame_rate = encoder_->framerate;
    status = avcodec_parameters_from_context(stream_->codecpar, encoder_);
    if (status < 0) {
        error = "cannot set up the MP4 writer: " + AvError(status);
        return false;
    }
    return true;
}

// The one picture every frame is converted into, the converter and the packet.
bool VideoFile::OpenPicture(std::string& error) {
    picture_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!picture_ || !packet_) {
        error = "cannot set up the MP4 writer: out of memory";
        return false;
    }
    picture_->format = VideoFormat;
    picture_->width = encoder_->width;
    picture_->height = encoder_->height;
    const int status = av_frame_get_buffer(picture_, 0);
    converter_ = sws_getContext(width_, height_, PictureFormat, width_, height_, VideoFormat,
                                SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (status < 0 || !converter_) {
        error = "cannot set up the MP4 writer: " + (status < 0 ? AvError(status) : "no RGB to YUV converter");
        return false;
    }
    // The renderer's RGB is full range; the video is BT.709 limited range.
    sws_setColorspaceDetails(converter_, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    return true;
}

bool VideoFile::CreateTemporaryFile(std::string& error) {
    int status = avio_open(&container_->pb, temporaryPath_.c_str(), AVIO_FLAG_WRITE);
    if (status < 0) {
        error = "cannot create " + path_ + ": " + AvError(status);
        return false;
    }
    temporaryCreated_ = true;
    // The index goes first in the file, so players start before the end arrives.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0);
    status = avformat_write_header(container_, &options);
    av_dict_free(&options);
    if (status < 0) {
        error = "cannot write " + path_ + ": " + AvError(status);
        return false;
    }
    return true;
}

bool VideoFile::WriteFrame(const uint32_t* pixels, std::string& error) {
    // The encoder may still hold the previous picture; this copies only then.
    int status = av_frame_make_writable(picture_);
    if (status < 0) {
        error = "cannot encode a frame of " + path_ + ": " + AvError(status);
        return false;
    }
    const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(pixels)};
    const int sourceStride[1] = {width_ * 4};
    sws_scale(converter_, source, sourceStride, 0, height_, picture_->data, picture_->linesize);
    PadLumaToEven(picture_, width_, height_);
    picture_->pts = nextPts_++;
    return SendToEncoder(picture_, error);
}

// Sends a picture (or, with nullptr, the end of the stream) and writes every
// packet the encoder has ready.
bool VideoFile::SendToEncoder(const AVFrame* frame, std::string& error) {
    int status = avcodec_send_frame(encoder_, frame);
    while (status >= 0) {
        status = avcodec_receive_packet(encoder_, packet_);
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return true;
        if (status < 0) break;
        av_packet_rescale_ts(packet_, encoder_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        status = av_interleaved_write_frame(container_, packet_);
        if (status < 0) {
            error = "cannot write " + path_ + ": " + AvError(status);
            return false;
        }
    }
    error = std::string("the H.264 encoder ") + encoder_->codec->name + " failed on " + path_ + ": " +
            AvError(status);
    return false;
}

bool VideoFile::Finish(std::string& error) {
    if (!SendToEncoder(nullptr, error)) {
        Abandon();
        return false;
    }
    int status = av_write_trailer(container_);
    const int closeStatus = avio_closep(&container_->pb);
    if (status >= 0) status = closeStatus;
    if (status < 0) {
        error = "cannot write " + path_ + ": " + AvError(status);
        Abandon();
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporaryPath_, path_, ec);
    if (ec) {
        error = "cannot rename " + temporaryPath_ + " to " + path_ + ": " + ec.message();
        Abandon();
        return false;
    }
    temporaryCreated_ = false;
    finishedBytes_ = std::filesystem::file_size(path_, ec);
    Release();
    return true;
}

void VideoFile::Abandon() {
    Release();
    if (temporaryCreated_) std::remove(temporaryPath_.c_str());
    temporaryCreated_ = false;
}

void VideoFile::Release() {
    sws_freeContext(converter_);
    converter_ = nullptr;
    av_frame_free(&picture_);
    av_packet_free(&packet_);
    avcodec_free_context(&encoder_);
    if (container_) {
        if (container_->pb) avio_closep(&container_->pb);
        avformat_free_context(container_);
        container_ = nullptr;
    }
    stream_ = nullptr;
}
